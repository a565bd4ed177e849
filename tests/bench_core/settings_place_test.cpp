// Where Kestrin keeps its settings: beside a program built or copied anywhere (as before), but
// never inside an installation (the marker beside the program), which keeps setting.ini and
// GWParam.cfg in the user's configuration folder even when it could write its own (root); a save
// that fails everywhere says so.
#include "bench/core/settings_place.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <set>

#include "bench/core/gw_param.h"
#include "bench_fixtures.h"

namespace norvane::bench::test {
namespace {

// XDG_CONFIG_HOME for one test.
struct ConfigHome {
    explicit ConfigHome(const std::string& path) {
        if (const char* old = std::getenv("XDG_CONFIG_HOME")) saved = old;
        setenv("XDG_CONFIG_HOME", path.c_str(), 1);
    }
    ~ConfigHome() { setenv("XDG_CONFIG_HOME", saved.c_str(), 1); }
    std::string saved;
};

// Every file under folder, relative to it.
std::set<std::string> Files(const std::string& folder) {
    std::set<std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
        if (entry.is_regular_file()) files.insert(std::filesystem::relative(entry.path(), folder).string());
    return files;
}

TEST(SettingsPlaceTest, AnInstalledProgramWritesOnlyIntoTheUsersFolder) {
    for (bool installed : {false, true}) {
        ProgramDir dir, config;
        ConfigHome home(config.Path());
        dir.AddShippedLanguages();
        if (installed) dir.Put(kInstalledMarker, "");
        const std::set<std::string> before = Files(dir.Path());

        RecordedMessages messages;
        Language language;
        ASSERT_TRUE(language.Load(dir.Path(), {"Chinese", true}, messages));
        GwParams params;
        params.field = {0, 0, 0, 1, 0, 0, 0x7F000003, 0};
        const auto written = SaveGwParams(dir.Path(), params);
        ASSERT_TRUE(written);

        const std::string user = config.Path() + "/kestrin/";
        if (installed) {
            EXPECT_EQ(Files(dir.Path()), before);  // nothing written into the installation
            EXPECT_EQ(*written, user + "GWParam.cfg");
            EXPECT_EQ(ReadFileText(user + "setting.ini"), "[Setting]\nLanguage=Chinese\n");
        } else {
            EXPECT_EQ(*written, dir.Path() + "/GWParam.cfg");
            EXPECT_EQ(ReadFileText(dir.Language("setting.ini")), "[Setting]\nLanguage=Chinese\n");
            EXPECT_FALSE(std::filesystem::exists(user));
        }
        GwParams read;
        LoadGwParams(dir.Path(), read);
        EXPECT_EQ(read.field, params.field) << installed;
        ASSERT_TRUE(language.Load(dir.Path(), {}, messages));
        EXPECT_EQ(language.Name(), "Chinese");
    }
}

TEST(SettingsPlaceTest, AFailedSaveIsNotTakenForASavedOne) {
    ProgramDir dir;
    dir.Put(kInstalledMarker, "");
    ConfigHome home("/dev/null/config");  // a configuration folder that cannot be made
    EXPECT_EQ(SaveGwParams(dir.Path(), GwParams{}), std::nullopt);
    EXPECT_FALSE(std::filesystem::exists(dir.Path() + "/GWParam.cfg"));
}

}  // namespace
}  // namespace norvane::bench::test
