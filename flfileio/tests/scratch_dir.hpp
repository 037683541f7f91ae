// A folder of its own for the files a test or fuzz target writes, removed
// with everything in it when the helper goes. Shared by the tests and fuzz
// targets of flfileio and of the tools (target fl_scratch_dir).
#ifndef FL_SCRATCH_DIR_HPP
#define FL_SCRATCH_DIR_HPP

#include <filesystem>
#include <random>
#include <string>
#include <system_error>

namespace fltest {

class ScratchDir {
public:
    // A new folder inside parent, named prefix and a random number. Raises
    // std::filesystem::filesystem_error when none can be made.
    explicit ScratchDir(const std::string &prefix = "fl-test-",
                        const std::filesystem::path &parent = std::filesystem::temp_directory_path())
    {
        std::random_device random;
        constexpr int kAttempts = 100;
        for (int attempt = 1;; ++attempt) {
            std::filesystem::path candidate = parent / (prefix + std::to_string(random()));
            if (std::filesystem::create_directory(candidate)) { // false: the name is taken
                path_ = candidate;
                return;
            }
            if (attempt == kAttempts)
                throw std::filesystem::filesystem_error("cannot make a scratch folder", candidate,
                                                        std::make_error_code(std::errc::file_exists));
        }
    }
    ~ScratchDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchDir(const ScratchDir &) = delete;
    ScratchDir &operator=(const ScratchDir &) = delete;

    const std::filesystem::path &path() const { return path_; }
    std::string file(const std::string &name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

} // namespace fltest

#endif // FL_SCRATCH_DIR_HPP
