// A fixture for tests that reach the spelling checker: a hive and a user
// folder of the test's own, with the profile of an application object that
// lives as long as the test, and a default lexicon folder of its own that
// starts empty. Message boxes are answered OK and kept in m_messages. For
// tests only: it is not installed.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/message.h"
#include "platform/profile.h"
#include "platform/spelling/default_lexicons.h"
#include "settings/orvalis_data.h"
#include "testing/private_hive.h"

class UserFolderTest : public PrivateHiveTest {
 protected:
  void SetUp() override {
    PrivateHiveTest::SetUp();
    std::filesystem::create_directory(m_folder.path("user"));
    COrvalisData(KEY_ALL_ACCESS).SetUserDir(m_folder.path("user").c_str());
    m_app.SetRegistryKey("Quendra");
    std::filesystem::create_directory(m_folder.path("defaults"));
    KelmSetDefaultLexiconDir(m_folder.path("defaults").c_str());
    m_savedHandler = KelmSetMessageBoxHandler([this](LPCSTR text, LPCSTR, UINT) {
      m_messages.emplace_back(text);
      return IDOK;
    });
  }
  void TearDown() override {
    KelmSetMessageBoxHandler(m_savedHandler);
    KelmSetDefaultLexiconDir(nullptr);
    PrivateHiveTest::TearDown();
  }

  std::string user_file(const std::string& name) const { return m_folder.path("user/" + name); }
  std::string default_file(const std::string& name) const {
    return m_folder.path("defaults/" + name);
  }

  CWinApp m_app{"Kelm Test"};
  std::vector<std::string> m_messages;
  KelmMessageBoxHandler m_savedHandler;
};
