// CKeyboardCommand: one key binding of the editor: the modifier keys held,
// the key pressed, and the command (with its macro number) that it runs.
//
// A plain value that the host fills, stores and loads itself; the keyboard
// table only names it. The key is a Windows virtual-key code and the command
// code the host's command identifier.
#pragma once

#include "platform/export.h"
#include "platform/types.h"

class KELM_EXPORT CKeyboardCommand {
 public:
  // Modifier bits. Other bits may be set; the table does not read them.
  static constexpr WORD Shift = 4;
  static constexpr WORD Ctrl = 8;
  static constexpr WORD Alt = 16;
  static constexpr WORD Space = 32;  // the space bar held as a modifier

  CKeyboardCommand() = default;
  CKeyboardCommand(WORD wModifiers, WORD wKey, WORD wHostValue, WORD wCommand, WORD wMacro);
  CKeyboardCommand(const CKeyboardCommand&) = default;
  CKeyboardCommand& operator=(const CKeyboardCommand&) = default;
  virtual ~CKeyboardCommand() = default;

  WORD m_wModifiers = 0;
  WORD m_wKey = 0;
  WORD m_wHostValue = 0;  // carried for the host; the table never reads it
  WORD m_wCommand = 0;
  // Which macro runs, counting from 0, when m_wCommand is the macro command.
  WORD m_wMacro = 0;
};
