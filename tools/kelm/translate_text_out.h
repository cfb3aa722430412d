// Where kelm translate's text goes as the strokes come: a pipe or a file
// (only final text), caption software (--live), or a terminal (corrected in
// place). Every edit of the translator passes through Take, Finish's too.
// The translator's text is Windows-1252 with escapes for what that cannot
// hold; each of these writes UTF-8.
#pragma once

#include <kelm/kelm.h>

#include <memory>

namespace kelm_cli {

class TextOut {
 public:
  virtual ~TextOut() = default;
  virtual void Take(const CTranslator& translator, const CTranslator::Edit& edit) = 0;
  // Around a message on the error stream, which shares a terminal with us.
  virtual void BeforeMessage();
  virtual void AfterMessage() {}
};

std::unique_ptr<TextOut> MakeFinalTextOut();
std::unique_ptr<TextOut> MakeLiveOut();
std::unique_ptr<TextOut> MakeTerminalOut();

}  // namespace kelm_cli
