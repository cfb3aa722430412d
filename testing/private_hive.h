// A fixture for tests that reach the registry: a scratch folder of the test's
// own with a hive of its own in it (m_hive), in force from SetUp to TearDown,
// so that no test meets another's values nor the user's. A fixture that
// derives from it and has a SetUp or TearDown of its own calls these first
// and last. For tests only: it is not installed.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "platform/registry.h"
#include "testing/scratch_folder.h"

class PrivateHiveTest : public ::testing::Test {
 protected:
  void SetUp() override { KelmSetRegistryPath(m_hive.c_str()); }
  void TearDown() override { KelmSetRegistryPath(nullptr); }

  ScratchFolder m_folder;
  const std::string m_hive = m_folder.path("registry.db");
};
