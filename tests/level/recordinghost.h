#pragma once

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
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
        std::string pattern = "/tmp/blastrix_test.XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
        path_ = pattern + "/";
    }
    ~TemporaryDirectory() { RemoveTree(path_); }
    TemporaryDirectory(const TemporaryDirectory&) = delete;
    TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;

    // Ends with '/', as a program directory does.
    const std::string& Path() const { return path_; }

    std::string MakeDirectory(const std::string& relative) const {
        const std::string path = path_ + relative;
        if (mkdir(path.c_str(), 0777) != 0) throw std::runtime_error("mkdir " + path);
        return path + "/";
    }

    void WriteFile(const std::string& relative, const std::string& bytes) const {
        std::ofstream out(path_ + relative, std::ios::binary | std::ios::trunc);
        out << bytes;
        if (!out.flush()) throw std::runtime_error("write " + relative);
    }

    std::vector<std::string> Entries(const std::string& relative) const {
        std::vector<std::string> names;
        DIR* dir = opendir((path_ + relative).c_str());
        if (dir == nullptr) return names;
        while (const dirent* entry = readdir(dir)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..") names.push_back(name);
        }
        closedir(dir);
        return names;
    }

private:
    static void RemoveTree(const std::string& path) {
        struct stat st {};
        if (lstat(path.c_str(), &st) != 0) return;
        if (S_ISDIR(st.st_mode)) {
            chmod(path.c_str(), 0700);
            if (DIR* dir = opendir(path.c_str())) {
                std::vector<std::string> names;
                while (const dirent* entry = readdir(dir)) {
                    const std::string name = entry->d_name;
                    if (name != "." && name != "..") names.push_back(name);
                }
                closedir(dir);
                for (const std::string& name : names) RemoveTree(path + (path.back() == '/' ? "" : "/") + name);
            }
            rmdir(path.c_str());
        } else {
            unlink(path.c_str());
        }
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
