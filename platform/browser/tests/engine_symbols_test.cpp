// The web engine releases its shared-pointer counts with its own code: the program's copies of
// that code (checked by the sanitizers, which take the engine's counts, built without type
// information, for broken objects) are not lent to it.
#include "platform/win32/testing/temp_zv_root.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <jsc/jsc.h>

#include <memory>
#include <string>

namespace {

void InTheProgram() {}

class EngineSymbolsTest : public ::testing::Test {
protected:
    zv::win32::testing::TempZvRoot m_root;
};

TEST_F(EngineSymbolsTest, TheEnginesSharedPointerCodeIsItsOwn)
{
    // A count of ours released through its last use: the program holds that code itself.
    auto kept = std::make_shared<std::string>("ours");
    const std::weak_ptr<std::string> watcher = kept;
    kept.reset();
    EXPECT_TRUE(watcher.expired());

    Dl_info program{};
    ASSERT_NE(dladdr(reinterpret_cast<void*>(&InTheProgram), &program), 0);
    // The members the engine exports and calls through the dynamic linker.
    for (const char* name : {"_ZNSt16_Sp_counted_baseILN9__gnu_cxx12_Lock_policyE2EE24_M_release_last_use_coldEv",
                             "_ZNSt16_Sp_counted_baseILN9__gnu_cxx12_Lock_policyE2EED2Ev"}) {
        void* bound = dlsym(RTLD_DEFAULT, name);
        ASSERT_NE(bound, nullptr) << name;
        Dl_info where{};
        ASSERT_NE(dladdr(bound, &where), 0) << name;
        EXPECT_NE(where.dli_fbase, program.dli_fbase) << name << " binds to the program's copy in " << where.dli_fname;
    }
}

// Destroying a script context ends the engine's machine and releases its counts: under the
// sanitizers a count released by the program's code stops the program here.
TEST_F(EngineSymbolsTest, AScriptContextComesAndGoes)
{
    struct Case {
        const char* script;
        const char* value;
    } cases[] = {{"[1, 2, 3].map(x => x * 2).join()", "2,4,6"}, {"'a' + 'b'.repeat(2)", "abb"}};
    for (const Case& c : cases) {
        JSCContext* context = jsc_context_new();
        JSCValue* value = jsc_context_evaluate(context, c.script, -1);
        char* text = jsc_value_to_string(value);
        EXPECT_STREQ(text, c.value) << c.script;
        g_free(text);
        g_object_unref(value);
        g_object_unref(context);
    }
}

} // namespace
