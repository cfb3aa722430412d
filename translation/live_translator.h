// A translator shared by the thread that receives a writer's strokes and the
// thread that shows the text: the first adds strokes as they arrive (from a
// serial port read, say), the second takes what changed whenever it is ready
// to draw, one edit for all the strokes since it last took one. A consumer
// that applies every edit it takes holds the text as it stood when it took
// the last one, so a slow screen never falls behind by more than a draw.
//
// Every call may come from any thread, at once; each is atomic. The
// dictionaries are added before the first stroke and must outlive the
// translator, as CTranslator's. The edit and text handed out are copies, in
// the translator's form (escapes for what Windows-1252 cannot hold).
#pragma once

#include "platform/export.h"
#include "platform/string.h"
#include "strokes/stroke.h"
#include "translation/translator.h"

#include <mutex>

class KELM_EXPORT CLiveTranslator {
 public:
  CLiveTranslator() = default;
  explicit CLiveTranslator(const CTranslator::Options& options) : m_translator(options) {}
  CLiveTranslator(const CLiveTranslator&) = delete;
  CLiveTranslator& operator=(const CLiveTranslator&) = delete;

  void AddDictionary(const CStenoDictionary* dictionary);
  void AddStroke(const CStroke& stroke);
  void Finish();

  // What changed since the last TakeEdit, as one edit at the end of the text
  // the consumer holds; {0, ""} when nothing did.
  CTranslator::Edit TakeEdit();
  // The whole readable text, and the edit taken with it, at one moment: for
  // a consumer that starts late or wants to check what it holds.
  CString GetText() const;
  CTranslator::Edit TakeEdit(CString& text);

 private:
  // Appends `edit` to the pending one, as if one followed the other.
  void Merge(const CTranslator::Edit& edit);

  mutable std::mutex m_mutex;
  CTranslator m_translator;
  CTranslator::Edit m_pending;
};
