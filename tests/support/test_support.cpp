#include "test_support.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "base/log/message_log.h"

namespace tessel::testing {

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tessel-test-XXXXXX").string();
    char* made = mkdtemp(pattern.data());
    path_ = made ? made : pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string TempDir::write(std::string_view relativePath, std::string_view bytes) const {
    std::filesystem::path full = std::filesystem::path(path_) / relativePath;
    std::filesystem::create_directories(full.parent_path());
    std::ofstream out(full, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return full.string();
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

LogCapture::LogCapture() {
    setLogListener([this](std::string_view text) {
        std::lock_guard guard(lock_);
        messages_.emplace_back(text);
    });
}

std::vector<std::string> LogCapture::messages() const {
    std::lock_guard guard(lock_);
    return messages_;
}

void LogCapture::clear() {
    std::lock_guard guard(lock_);
    messages_.clear();
}

LogCapture::~LogCapture() {
    setLogListener(nullptr);
}

bool LogCapture::contains(std::string_view fragment) const {
    std::lock_guard guard(lock_);
    for (const std::string& message : messages_) {
        if (message.find(fragment) != std::string::npos) return true;
    }
    return false;
}

void UiQueue::post(std::function<void()> task) {
    std::lock_guard<std::mutex> guard(lock_);
    queue_.push_back(std::move(task));
}

bool UiQueue::waitForTask() {
    for (int i = 0; i < 500; ++i) {
        {
            std::lock_guard<std::mutex> guard(lock_);
            if (!queue_.empty()) return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

int UiQueue::drain() {
    waitForTask();
    std::deque<std::function<void()>> tasks;
    {
        std::lock_guard<std::mutex> guard(lock_);
        tasks.swap(queue_);
    }
    for (auto& task : tasks) task();
    return static_cast<int>(tasks.size());
}

}  // namespace tessel::testing
