// CAutoCompleteOptions: the word list and switches of the host's
// auto-complete feature (a remembered word offered once the first few
// characters are typed), kept most recent first and stored in a section of a
// profile (INI) file that the host names.
//
// Read remembers the file and section; Save writes back there, at most the
// first 50 words. Words are compared byte for byte, case included. The
// options dialog is in auto_complete_dialog.h.
#pragma once

#include "platform/array.h"
#include "platform/export.h"
#include "platform/string.h"

class KELM_EXPORT CAutoCompleteOptions {
 public:
  CAutoCompleteOptions() = default;
  virtual ~CAutoCompleteOptions() = default;

  int GetNumItems() const;
  // "" for an index outside the list.
  CString GetItem(int i) const;
  void ClearItems();
  void AddItem(CString word);
  void AppendItems(const CStringArray& words);
  // Puts the word at the head, removing every other copy; "" is ignored.
  void InsertItem(CString word);

  int GetEnabled() const { return enabled; }
  int GetLoadHistory() const { return loadHistory; }
  int GetNumChars() const { return numChars; }

  // Replaces the list and switches with those of the section. Keys missing
  // or empty are skipped, so the list may be shorter than the stored count.
  void Read(CString file, CString section);
  // 1 once everything is written; 0 when no file and section have been
  // read, or when the profile cannot be written.
  int Save();

  // The options dialog: the switches, the character count and the list
  // edited there. Returns IDOK, having taken the dialog's switches, count
  // and list (empty entries dropped), or IDCANCEL with nothing changed; -1
  // when no front end can show it. Saving is the caller's choice.
  int DoModalDialog();

 private:
  int loadHistory = 0;
  int enabled = 0;
  int numChars = 4;
  CStringArray items;
  CString iniFile;
  CString section;
};
