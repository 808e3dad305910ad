// Windows publish themselves under ZV_ROOT/run: every test of this program runs on a fresh emulated
// machine, never the user's own.
#include "platform/win32/testing/temp_zv_root.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

class TempRootEnvironment : public ::testing::Environment {
public:
    void SetUp() override { m_root.emplace(); }
    void TearDown() override { m_root.reset(); }

private:
    std::optional<zv::win32::testing::TempZvRoot> m_root;
};

[[maybe_unused]] ::testing::Environment* const g_environment =
    ::testing::AddGlobalTestEnvironment(new TempRootEnvironment);

} // namespace
