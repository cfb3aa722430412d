// Arbitrary calls on the RTF writer: control words with and without
// parameters and flags, braces, and texts in RTF form. Wherever the writer
// breaks lines and puts delimiters, its output must scan back to the very
// tokens it was asked to write, texts joined as the scanner may split them.
//
// Text is never written straight after "{": the writer delimits it with a
// space there, which a reader takes as text.

#include <kelm/kelm.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

void require(bool holds) {
  if (!holds) std::abort();
}

class Writer : public CRtfExport {
 public:
  explicit Writer(CFile& file) { m_pFile = &file; }
  using CRtfExport::EmitKeyword;
  using CRtfExport::EmitText;
  void Header() override {}
  void Document() override {}
};

// One token as the scanner gives it: a control word with its parameter, a
// brace, or text.
struct Token {
  std::string word;
  LONG parameter = CRtfToken::no_parameter;
  std::string text;
  bool operator==(const Token&) const = default;
};

class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}
  bool empty() const { return m_pos >= m_size; }
  std::uint8_t byte() { return empty() ? 0 : m_data[m_pos++]; }

 private:
  const std::uint8_t* m_data;
  std::size_t m_size;
  std::size_t m_pos = 0;
};

// Up to 19 letters: the scanner keeps control words of 20 characters with
// the backslash.
std::string control_word(Input& in) {
  std::string word = "\\";
  const int letters = in.byte() % 19 + 1;
  for (int i = 0; i < letters; ++i) word += static_cast<char>('a' + in.byte() % 26);
  return word;
}

// Bytes RTF takes as plain text: no backslash, brace, line break or NUL, and
// no tab, which the scanner gives as a token of its own.
std::string text_run(Input& in) {
  std::string text;
  const int length = in.byte();
  for (int i = 0; i < length && !in.empty(); ++i) {
    const char c = static_cast<char>(in.byte());
    if (c != '\\' && c != '{' && c != '}' && c != '\r' && c != '\n' && c != '\0' && c != '\t')
      text += c;
  }
  return text;
}

LONG parameter(Input& in) {
  std::uint32_t bits = 0;
  for (int i = 0; i < 4; ++i) bits = bits << 8 | in.byte();
  const auto value = static_cast<LONG>(bits);
  return value == CRtfToken::no_parameter ? 0 : value;
}

void add_text(std::vector<Token>& tokens, const std::string& text) {
  if (text.empty()) return;
  if (!tokens.empty() && tokens.back().word.empty())
    tokens.back().text += text;
  else
    tokens.push_back({"", CRtfToken::no_parameter, text});
}

void add_flags(std::vector<Token>& tokens, int flags) {
  if (flags & CRtfExport::flagOptDest) tokens.push_back({szRTFCS_OPTDEST});
  if (flags & CRtfExport::flagHidden) tokens.push_back({szRTFCW_v});
}

// Makes the calls the input describes and the tokens they should give.
std::vector<Token> write(Input& in, Writer& writer) {
  std::vector<Token> tokens;
  bool after_group_begin = false;
  while (!in.empty()) {
    const std::uint8_t op = in.byte();
    const int flags = (op >> 3) & 3;
    const bool emit = op & 4;
    switch (op % 4) {
      case 0: {
        const std::string word = control_word(in);
        add_flags(tokens, flags);
        tokens.push_back({word});
        emit ? writer.EmitKeyword(word, flags) : writer.OutputKeyword(word.c_str(), flags);
        after_group_begin = false;
        break;
      }
      case 1: {
        const std::string word = control_word(in);
        const LONG value = parameter(in);
        // The digits after "\cxt" are a time code, the text that follows it;
        // those after "\bin" count the binary bytes that follow.
        if (word == szRTFCW_cxt || word == szRTFCW_bin) break;
        add_flags(tokens, flags);
        const bool bare = value == 0 && word == szRTFCW_cxa;
        tokens.push_back({word, bare ? CRtfToken::no_parameter : value});
        writer.OutputKeyParam(word.c_str(), value, flags);
        after_group_begin = false;
        break;
      }
      case 2: {
        if (after_group_begin) break;
        const std::string text = text_run(in);
        add_text(tokens, text);
        emit ? writer.EmitText(text) : writer.OutputText(text.c_str());
        break;
      }
      default: {
        const bool begin = op & 8;
        tokens.push_back({begin ? szRTFGROUPBEGIN : szRTFGROUPEND});
        writer.OutputKeyword(begin ? szRTFGROUPBEGIN : szRTFGROUPEND, 0);
        after_group_begin = begin;
        break;
      }
    }
  }
  return tokens;
}

std::vector<Token> scan(std::vector<BYTE>& bytes) {
  CMemFile file(bytes.data(), static_cast<UINT>(bytes.size()));
  CRtfScanner scanner(file);
  require(scanner.Start() == 0);
  std::vector<Token> tokens;
  for (;;) {
    CRtfToken* token = scanner.GetToken(0);
    const int type = token->GetType();
    if (type == CRtfToken::typeEndOfInput) break;
    if (type == CRtfToken::typeText)
      add_text(tokens, token->GetText());
    else if (type == CRtfToken::typeGroupBegin)
      tokens.push_back({szRTFGROUPBEGIN});
    else if (type == CRtfToken::typeGroupEnd)
      tokens.push_back({szRTFGROUPEND});
    else
      tokens.push_back({token->GetCtrlWord(), token->GetNumParm()});
    require(scanner.ConsumeToken(0) == 0);
  }
  scanner.Stop();
  return tokens;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  KelmSetMessageBoxHandler([](LPCSTR, LPCSTR, UINT) -> int { std::abort(); });
  CMemFile file;
  Writer writer(file);
  Input in(data, size);
  const std::vector<Token> written = write(in, writer);
  std::vector<BYTE> bytes(static_cast<std::size_t>(file.GetLength()));
  file.SeekToBegin();
  file.Read(bytes.data(), static_cast<UINT>(bytes.size()));
  require(scan(bytes) == written);
  return 0;
}
