#pragma once

#include <functional>
#include <system_error>
#include <thread>

// Work done on a thread of its own while the caller goes on, finished by the
// time the object goes out of scope; done at once on the caller's thread
// when no thread can be started.
class CAlongside {
public:
    explicit CAlongside(const std::function<void()>& work) {
        try {
            thread_ = std::thread(work);
        } catch (const std::system_error&) {
            work();
        }
    }
    ~CAlongside() {
        if (thread_.joinable()) thread_.join();
    }
    CAlongside(const CAlongside&) = delete;
    CAlongside& operator=(const CAlongside&) = delete;

private:
    std::thread thread_;
};
