#include "keyboard/keyboard_command.h"

CKeyboardCommand::CKeyboardCommand(WORD wModifiers, WORD wKey, WORD wHostValue, WORD wCommand,
                                   WORD wMacro)
    : m_wModifiers(wModifiers),
      m_wKey(wKey),
      m_wHostValue(wHostValue),
      m_wCommand(wCommand),
      m_wMacro(wMacro) {}
