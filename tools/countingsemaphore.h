// A counting semaphore (C++17 has none). Posting never blocks and takes no
// lock, so the processing thread can hand on its work without one.
#pragma once

#include <cerrno>
#include <semaphore.h>

namespace KestrumTool
{

class CountingSemaphore
{
public:
    explicit CountingSemaphore(unsigned int initial = 0) { sem_init(&handle, 0, initial); }
    ~CountingSemaphore() { sem_destroy(&handle); }
    CountingSemaphore(const CountingSemaphore&) = delete;
    CountingSemaphore& operator=(const CountingSemaphore&) = delete;

    void post() { sem_post(&handle); }
    void wait()
    {
        while (sem_wait(&handle) != 0 && errno == EINTR)
        {
        }
    }

private:
    sem_t handle;
};

} // namespace KestrumTool
