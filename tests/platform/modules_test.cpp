// Tests of the built-in module table: look-up by name, entry points, load counts and the hiding hook.
#include "platform/Modules.h"

#include <gtest/gtest.h>

using namespace Platform;

namespace
{

int Twice(int value)
{
    return value * 2;
}
int Thrice(int value)
{
    return value * 3;
}
double Half(double value)
{
    return value / 2;
}

class ModulesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        RegisterModule("Codec.DLL", {{"Decode", Entry<int(int)>(&Twice)}, {"Version", Entry<int(int)>(&Thrice)}});
    }
    void TearDown() override { RestoreHiddenModules(); }
};

} // namespace

TEST_F(ModulesTest, ModulesAreFoundByNameInAnySpelling)
{
    for (const char* name : {"codec.dll", "CODEC.DLL", ".\\Codec.dll", "plugins/codec.dll", "Codec"})
    {
        SCOPED_TRACE(name);
        ModuleHandle module = LoadLibrary(name);
        ASSERT_NE(module, nullptr);
        auto* decode = GetProcAddress<int(int)>(module, "Decode");
        ASSERT_NE(decode, nullptr);
        EXPECT_EQ(decode(21), 42);
        EXPECT_FALSE(HasProcAddress(module, "decode")) << "entry names are exact";
        EXPECT_TRUE(FreeLibrary(module));
    }
    EXPECT_EQ(LoadLibrary("missing.dll"), nullptr);
    EXPECT_EQ(LoadLibrary(""), nullptr);
    EXPECT_FALSE(HasProcAddress(nullptr, "Decode"));
    EXPECT_FALSE(FreeLibrary(nullptr));

    // Registering again adds and replaces entries; handles stay valid.
    ModuleHandle module = LoadLibrary("codec.dll");
    RegisterModule("codec.dll", {{"Decode", Entry<int(int)>(&Thrice)}});
    EXPECT_EQ(GetProcAddress<int(int)>(module, "Decode")(2), 6);
    EXPECT_TRUE(HasProcAddress(module, "Version"));
    FreeLibrary(module);
}

TEST_F(ModulesTest, LoadsAreCountedAndTheExecutableHasAHandle)
{
    int before = ModuleLoadCount("codec.dll");
    ModuleHandle a = LoadLibrary("codec.dll");
    ModuleHandle b = LoadLibrary("CODEC.dll");
    EXPECT_EQ(a, b);
    EXPECT_EQ(ModuleLoadCount("Codec.dll"), before + 2);
    EXPECT_EQ(GetModuleHandle("codec.dll"), a);
    EXPECT_TRUE(FreeLibrary(a));
    EXPECT_TRUE(FreeLibrary(b));
    EXPECT_EQ(ModuleLoadCount("codec.dll"), before);
    if (before == 0)
    {
        EXPECT_FALSE(FreeLibrary(a)) << "no loads left to give back";
        EXPECT_EQ(GetModuleHandle("codec.dll"), nullptr) << "not loaded";
    }

    ModuleHandle self = GetModuleHandle(nullptr);
    EXPECT_NE(self, nullptr);
    EXPECT_EQ(GetModuleHandle(nullptr), self);
    EXPECT_FALSE(FreeLibrary(self));
}

TEST_F(ModulesTest, HiddenModulesAndEntriesLookMissingUntilRestored)
{
    ModuleHandle early = LoadLibrary("codec.dll");
    ASSERT_NE(early, nullptr);

    HideModule("CODEC.DLL");
    EXPECT_EQ(LoadLibrary("codec.dll"), nullptr);
    EXPECT_EQ(GetModuleHandle("codec.dll"), nullptr);
    HideModule("codec.dll", false);
    ModuleHandle module = LoadLibrary("codec.dll");
    ASSERT_NE(module, nullptr);

    HideModuleEntry("Codec", "Decode");
    EXPECT_EQ(GetProcAddress<int(int)>(module, "Decode"), nullptr);
    EXPECT_FALSE(HasProcAddress(early, "Decode")) << "also through handles taken before hiding";
    EXPECT_TRUE(HasProcAddress(module, "Version")) << "only that entry";

    // Hiding works for modules that other layers register later.
    HideModule("later.dll");
    RegisterModule("later.dll", {{"Go", Entry<int(int)>(&Twice)}});
    EXPECT_EQ(LoadLibrary("later.dll"), nullptr);

    RestoreHiddenModules();
    EXPECT_NE(GetProcAddress<int(int)>(module, "Decode"), nullptr);
    ModuleHandle later = LoadLibrary("later.dll");
    EXPECT_NE(later, nullptr);
    FreeLibrary(later);
    FreeLibrary(module);
    FreeLibrary(early);
}

TEST_F(ModulesTest, AnEntryIsHandedOutOnlyAsTheSignatureItWasRegisteredWith)
{
    ModuleHandle module = LoadLibrary("codec.dll");
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(GetProcAddress<int(int)>(module, "Decode"), &Twice);
    // Another signature under the same name finds nothing instead of a function called with the wrong arguments.
    EXPECT_EQ(GetProcAddress<int(int, int)>(module, "Decode"), nullptr);
    EXPECT_EQ(GetProcAddress<long(int)>(module, "Decode"), nullptr);
    EXPECT_EQ(GetProcAddress<void()>(module, "Decode"), nullptr);
    EXPECT_TRUE(HasProcAddress(module, "Decode")) << "the entry itself is there";

    // The form that fills a table member takes the member's signature.
    int (*decode)(int) = nullptr;
    EXPECT_TRUE(GetProcAddress(module, "Decode", decode));
    EXPECT_EQ(decode(5), 10);
    double (*wrong)(double) = &Half;
    EXPECT_FALSE(GetProcAddress(module, "Decode", wrong));
    EXPECT_EQ(wrong, nullptr);
    FreeLibrary(module);
}
