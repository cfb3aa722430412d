// kelm dict convert from RTF/CRE to JSON, run as a user would: the entries
// as the open tools read them, and on standard error what JSON could not
// hold, the conversion succeeding all the same.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "exit_status.h"
#include "testing/cli_runner.h"

namespace {

using namespace kelm_cli;

constexpr char court_dictionary[] =
    "{\\rtf1\\ansi{\\*\\cxrev100}\\cxdict{\\*\\cxsystem x}"
    "{\\stylesheet{\\s0 Normal;}{\\s1 Question;}{\\s4 Continuation Q;}}\r\n"
    "{\\*\\cxs KAT}cat\r\n"
    "{\\*\\cxs -G}\\cxds ing\r\n"
    "{\\*\\cxs KW-GS}\\par\\s1 Q.\r\n"
    "{\\*\\cxs KWO*EPB}\\par\\s4\r\n"
    "{\\*\\cxs THR}{\\cxconf [{\\cxc their}|{\\cxc there}]}\r\n"
    "{\\*\\cxs PW}be\\cxds{\\*\\cxsvatdictentrydate\\yr2006\\mo5\\dy10}\r\n"
    "{\\*\\cxs KXAT}not an outline\r\n"
    "}\r\n";

TEST(KelmDictConvert, ToJsonReportsWhatJsonCannotHold) {
  const ScratchFolder home, folder;
  WriteWholeFile(folder.path("court.rtf"), court_dictionary);
  const std::string json = folder.path("court.json");
  const Outcome got = run_kelm({"dict", "convert", folder.path("court.rtf"), json}, home);
  EXPECT_EQ(exit_ok, got.status) << got.err;
  EXPECT_EQ("", got.out);
  const std::string lost = "kelm dict convert: " + json + ": ";
  EXPECT_EQ(folder.path("court.rtf") +
                ":8: invalid outline \"KXAT\" kept as it stands, never looked up\n" + lost +
                "5 of 7 entries lost what JSON cannot hold:\n" + lost +
                "2 entries lost their styles (the paragraph break, and a continuation's indent, "
                "kept); first: KW-GS KWO*EPB\n" +
                lost +
                "1 entry lost their conflict marks (the alternatives kept as [a|b], those marked "
                "deleted left out); first: THR\n" +
                lost +
                "1 entry lost destinations the open tools drop ({\\*\\...} groups: comments, "
                "dates and the like); first: PW\n" +
                lost +
                "1 entry left out: their outlines are not steno, which JSON keys must be; first: "
                "KXAT\n",
            got.err);
  EXPECT_EQ(
      "{\n"
      "\"THR\": \"[their|there]\",\n"
      "\"KWO*EPB\": \"{^\\n\\n    ^}\",\n"
      "\"KW-GS\": \"{^\\n\\n^}Q.\",\n"
      "\"KAT\": \"cat\",\n"
      "\"PW\": \"{be^}\",\n"
      "\"-G\": \"{^ing}\"\n"
      "}\n",
      ReadWholeFile(json));
}

// A dictionary that loses nothing converts in silence, back and forth.
TEST(KelmDictConvert, WholeDictionariesConvertInSilence) {
  const ScratchFolder home, folder;
  WriteWholeFile(folder.path("in.json"),
                 "{\n\"TK-LS\": \"{^^}\",\n\"KPA\": \"{-|}\",\n\"KAT\": \"cat\",\n"
                 "\"P-P\": \"{.}\",\n\"-G\": \"{^ing}\"\n}\n");
  expect_runs({"dict", "convert"},
              {{{folder.path("in.json"), folder.path("out.rtf")}, exit_ok, "", ""},
               {{folder.path("out.rtf"), folder.path("out.json")}, exit_ok, "", ""}},
              home);
  EXPECT_EQ(
      "{\n\"TK-LS\": \"{^^}\",\n\"KPA\": \"{-|}\",\n\"KAT\": \"cat\",\n\"P-P\": \"{.}\",\n"
      "\"-G\": \"{^ing}\"\n}\n",
      ReadWholeFile(folder.path("out.json")));
}

}  // namespace
