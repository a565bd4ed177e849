// Binding libNorvaneFunc.so by name: the real library, stand-ins that lack names, the message.
#include <gtest/gtest.h>

#include "bench/core/startup.h"
#include "bench_fixtures.h"

namespace norvane::bench::test {
namespace {

std::string Stub(const char* variant) {
    return std::string(KESTRIN_STUB_DIR) + "/stub_sdk_" + variant + "/libNorvaneFunc.so";
}

TEST(BindingTest, TheRealLibraryBindsEveryRequiredAndTheOptionalNamesItExports) {
    SdkLibrary sdk;
    const BindResult result = sdk.Bind(std::string(KESTRIN_STUB_DIR) + "/libNorvaneFunc.so");
    ASSERT_TRUE(result.ok) << result.loadError;
    const SdkTable& t = sdk.Table();
    EXPECT_EQ(t.present.count(), static_cast<size_t>(kSdkFunctionCount - 5));
    EXPECT_FALSE(t.present.test(static_cast<size_t>(SdkFunction::GetMCS)));
    EXPECT_TRUE(t.present.test(static_cast<size_t>(SdkFunction::SetSerialTransmissision)));
    // Absent optional entries are failed calls, never null jumps.
    KymReply reply{};
    EXPECT_EQ(t.GetCUR(0x1000, 5, &reply), -1);
    EXPECT_EQ(t.OPRReadPtr(0x1000, 5, &reply), -1);
    EXPECT_EQ(t.GetDOUT(0xFFFFFF, 5, &reply), -1);  // present: the SDK refuses the unknown handle
    sdk.Release();
    EXPECT_EQ(sdk.Table().KymENA(0x1000, 5, 0, nullptr), -1);
}

TEST(BindingTest, AMissingRequiredNameFailsWithTheLoadMessageInTheChosenLanguage) {
    EXPECT_EQ(InfoOf(SdkFunction::SetgDIR).required, true);
    EXPECT_EQ(InfoOf(SdkFunction::SetIOOutput).required, false);
    int required = 0;
    for (int i = 0; i < kSdkFunctionCount; ++i) required += InfoOf(static_cast<SdkFunction>(i)).required;
    EXPECT_EQ(required, 102);
    EXPECT_EQ(kSdkFunctionCount, 127);  // the port counter and traffic names are optional

    struct Case {
        std::string library;
        const char* language;  // empty: no language file found
        bool ok;
        std::vector<std::string> missing;
        std::string message;
    };
    const std::string english = ShippedLanguage("English.ini").Lookup("IDS_LOAD_DLL_FAIL");
    const std::string chinese = ShippedLanguage("Chinese.ini").Lookup("IDS_LOAD_DLL_FAIL");
    ASSERT_NE(english, chinese);
    const Case cases[] = {
        {Stub("without_absent"), "English.ini", true, {}, ""},
        {Stub("without_setgdir"), "English.ini", false, {"SetgDIR"}, "[Kestrin] " + english},
        {Stub("without_setgdir"), "Chinese.ini", false, {"SetgDIR"}, "[Kestrin] " + chinese},
        {Stub("without_setgdir"), "", false, {"SetgDIR"}, "[Kestrin] Not found"},
        {"/nonexistent/libNorvaneFunc.so", "English.ini", false, {}, "[Kestrin] " + english},
    };
    for (const Case& c : cases) {
        SdkLibrary sdk;
        const BindResult result = sdk.Bind(c.library);
        EXPECT_EQ(result.ok, c.ok) << c.library;
        EXPECT_EQ(result.missingRequired, c.missing);
        const Language language = *c.language ? ShippedLanguage(c.language) : Language{};
        RecordedMessages messages;
        EXPECT_EQ(BindSdkOrExplain(sdk, language, messages, c.library), c.ok);
        EXPECT_EQ(messages.shown, c.ok ? std::vector<std::string>{} : std::vector<std::string>{c.message});
    }
}

}  // namespace
}  // namespace norvane::bench::test
