#include "translation/live_translator.h"

#include <utility>

void CLiveTranslator::AddDictionary(const CStenoDictionary* dictionary) {
  const std::lock_guard<std::mutex> lock(m_mutex);
  m_translator.AddDictionary(dictionary);
}

void CLiveTranslator::AddStroke(const CStroke& stroke) {
  const std::lock_guard<std::mutex> lock(m_mutex);
  Merge(m_translator.AddStroke(stroke));
}

void CLiveTranslator::Finish() {
  const std::lock_guard<std::mutex> lock(m_mutex);
  Merge(m_translator.Finish());
}

CTranslator::Edit CLiveTranslator::TakeEdit() {
  const std::lock_guard<std::mutex> lock(m_mutex);
  return std::exchange(m_pending, CTranslator::Edit());
}

CString CLiveTranslator::GetText() const {
  const std::lock_guard<std::mutex> lock(m_mutex);
  return m_translator.GetText();
}

CTranslator::Edit CLiveTranslator::TakeEdit(CString& text) {
  const std::lock_guard<std::mutex> lock(m_mutex);
  text = m_translator.GetText();
  return std::exchange(m_pending, CTranslator::Edit());
}

// Whatever the second edit takes back of the text the first added never
// reaches the consumer; the rest it takes back from the consumer's text.
void CLiveTranslator::Merge(const CTranslator::Edit& edit) {
  const int added = m_pending.text.GetLength();
  if (edit.nTakeBack <= added) {
    m_pending.text.Delete(added - edit.nTakeBack, edit.nTakeBack);
  } else {
    m_pending.nTakeBack += edit.nTakeBack - added;
    m_pending.text.Empty();
  }
  m_pending.text += edit.text;
}
