#pragma once
// Shared fakes of the Kestrin core tests: a message recorder, a throw-away program directory and
// the shipped language files.
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "bench/core/file_text.h"
#include "bench/core/language.h"
#include "bench/core/user_messages.h"

namespace norvane::bench::test {

struct RecordedMessages : UserMessages {
    std::mutex mutex;
    std::vector<std::string> shown;  ///< "[caption] body"
    void Show(const std::string& caption, const std::string& body) override {
        std::lock_guard<std::mutex> lock(mutex);
        shown.push_back("[" + caption + "] " + body);
    }
};

/// A fresh, empty program directory with a Language folder, removed at the end of the test.
class ProgramDir {
public:
    ProgramDir() {
        static std::atomic<int> counter{0};
        path_ = std::filesystem::temp_directory_path() /
                ("kestrin_test_" + std::to_string(::getpid()) + "_" + std::to_string(counter++));
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_ / "Language");
    }
    ~ProgramDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    std::string Path() const { return path_.string(); }
    std::string Language(const std::string& name) const { return (path_ / "Language" / name).string(); }
    void Put(const std::string& relative, const std::string& text) const {
        WriteFileText((path_ / relative).string(), text);
    }
    /// Copies the shipped language files in.
    void AddShippedLanguages() const {
        for (const char* name : {"English.ini", "Chinese.ini"})
            std::filesystem::copy_file(std::filesystem::path(KESTRIN_SOURCE_DIR) / "bench/Language" / name,
                                       path_ / "Language" / name);
    }

private:
    std::filesystem::path path_;
};

/// A language table loaded from a shipped file.
inline Language ShippedLanguage(const std::string& file) {
    Language language;
    language.LoadText(*ReadFileText(std::string(KESTRIN_SOURCE_DIR) + "/bench/Language/" + file));
    return language;
}

}  // namespace norvane::bench::test
