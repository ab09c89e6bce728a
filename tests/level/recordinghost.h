#pragma once

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "level.h"
#include "services.h"

namespace testing_support {

// Window services that draw nothing and write down every call, in order, as one line of text.
class RecordingHost : public level::LevelServices {
public:
    std::vector<std::string> calls;
    // LoadPicture throws for this path...
    std::optional<std::string> failPicturePath;
    // ...and for every call once this many have succeeded.
    std::optional<int> failAfterPictures;

    level::ObjectControl* MakeControl(level::PlacedObject& object) override {
        const level::Bounds& b = object.bounds;
        calls.push_back("make " + std::to_string(object.tag) + " " + std::to_string(b.left) + "," +
                        std::to_string(b.top) + "," + std::to_string(b.width) + "x" + std::to_string(b.height));
        controls_.push_back(std::make_unique<level::ObjectControl>());
        return controls_.back().get();
    }

    // Controls the level has made and not given back.
    std::size_t LiveControls() const { return controls_.size(); }

    void DestroyControl(level::ObjectControl& control) override {
        const auto it = std::find_if(controls_.begin(), controls_.end(), [&](const auto& c) { return c.get() == &control; });
        if (it == controls_.end()) throw std::logic_error("a control that is not the host's was destroyed");
        controls_.erase(it);
    }

    void DestroyControls() override { controls_.clear(); }

    void LoadPicture(level::ObjectControl&, const std::string& path) override {
        calls.push_back("picture " + path);
        if (failPicturePath && *failPicturePath == path) throw std::runtime_error("Cannot read " + path);
        if (failAfterPictures && picturesLoaded_ >= *failAfterPictures) throw std::runtime_error("Out of pictures");
        ++picturesLoaded_;
    }

    void ShowDialog(const std::string& text, level::DialogType type) override {
        calls.push_back(std::string("dialog ") + (type == level::DialogType::Confirmation ? "Confirmation " : "Information ") +
                        text);
    }

    void SetBusyCursor(bool busy) override { calls.push_back(busy ? "busy on" : "busy off"); }

private:
    int picturesLoaded_ = 0;
    std::vector<std::unique_ptr<level::ObjectControl>> controls_;
};

// A fresh directory that stands in for the program directory; removed with everything in it.
class TemporaryDirectory {
public:
    TemporaryDirectory() {
        namespace fs = std::filesystem;
        std::random_device random;
        fs::path path;
        do {
            path = fs::temp_directory_path() / ("blastrix_test." + std::to_string(random()));
        } while (!fs::create_directory(path));
        fs::permissions(path, fs::perms::owner_all, fs::perm_options::replace);
        path_ = path.generic_string() + "/";
    }
    ~TemporaryDirectory() { RemoveTree(path_); }
    TemporaryDirectory(const TemporaryDirectory&) = delete;
    TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;

    // Ends with '/', as a program directory does.
    const std::string& Path() const { return path_; }

    std::string MakeDirectory(const std::string& relative) const {
        const std::string path = path_ + relative;
        if (!std::filesystem::create_directory(path)) throw std::runtime_error("mkdir " + path);
        return path + "/";
    }

    void WriteFile(const std::string& relative, const std::string& bytes) const {
        std::ofstream out(path_ + relative, std::ios::binary | std::ios::trunc);
        out << bytes;
        if (!out.flush()) throw std::runtime_error("write " + relative);
    }

    std::vector<std::string> Entries(const std::string& relative) const {
        std::vector<std::string> names;
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(path_ + relative, error))
            names.push_back(entry.path().filename().string());
        return names;
    }

private:
    // Directories a test made unreadable are opened again on the way.
    static void RemoveTree(const std::filesystem::path& path) {
        namespace fs = std::filesystem;
        std::error_code ignored;
        if (fs::is_directory(fs::symlink_status(path, ignored))) {
            fs::permissions(path, fs::perms::owner_all, fs::perm_options::add, ignored);
            for (const auto& entry : fs::directory_iterator(path, ignored)) RemoveTree(entry.path());
        }
        fs::remove(path, ignored);
    }

    std::string path_;
};

inline std::optional<std::string> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// "a", "b" -> "a\r\nb\r\n", the way the level file is written.
inline std::string CrlfLines(const std::vector<std::string>& lines) {
    std::string out;
    for (const std::string& line : lines) out += line + "\r\n";
    return out;
}

// "tag L,T,WxH" for every object of the level, list by list in file order.
inline std::vector<std::string> Placements(const level::Level& lvl) {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < level::kListCount; ++i) {
        for (const auto& object : lvl.List(static_cast<level::ListId>(i))) {
            const level::Bounds& b = object->bounds;
            out.push_back(std::to_string(object->tag) + " " + std::to_string(b.left) + "," + std::to_string(b.top) + "," +
                          std::to_string(b.width) + "x" + std::to_string(b.height));
        }
    }
    return out;
}

}  // namespace testing_support
