#include "rtf/rtf_parser_client.h"

#include "platform/message.h"

namespace {

// Values of nWhich for SetTime.
constexpr int set_day = 5;
constexpr int set_day_too = 8;
constexpr int set_month = 36;
constexpr int set_year = 65;

}  // namespace

CString CRtfParserClient::GetErrorText(long nCode) {
  switch (nCode) {
    case 1:
      return "Not enough memory to store character properties.";
    case 2:
      return "Not enough memory to store document properties.";
    case 3:
      return "Not enough memory to store paragraph properties.";
    default: {
      CString text;
      text.Format("Undefined ParserClient Error (%ld)", nCode);
      return text;
    }
  }
}

void CRtfParserClient::SetTime(CTime& time, int nWhich, int nValue) {
  int year = time.GetYear();
  int month = time.GetMonth();
  int day = time.GetDay();
  switch (nWhich) {
    case set_day:
    case set_day_too:
      day = nValue;
      break;
    case set_month:
      month = nValue;
      break;
    case set_year:
      year = nValue;
      break;
    default:
      return;
  }
  time = CTime(year, month, day, 0, 0, 0, -1);
}

void CRtfParserClient::HandleError(int nCode) { AfxMessageBox(GetErrorText(nCode), MB_OK); }
