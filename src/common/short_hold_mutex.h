// A mutex for locks held only for a lookup or two: a thread that finds it taken spins a little
// before it sleeps, since putting a waiter to sleep and waking it costs far more than the
// lookup it waits for. glibc's adaptive mutex; elsewhere a plain std::mutex.
#pragma once

#if defined(__GLIBC__)
#include <pthread.h>
#else
#include <mutex>
#endif

namespace txr {

#if defined(__GLIBC__)
class ShortHoldMutex {
  public:
    ShortHoldMutex() {
        pthread_mutexattr_t attributes;
        pthread_mutexattr_init(&attributes);
        pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_ADAPTIVE_NP);
        pthread_mutex_init(&mutex_, &attributes);
        pthread_mutexattr_destroy(&attributes);
    }
    ShortHoldMutex(const ShortHoldMutex&) = delete;
    ShortHoldMutex& operator=(const ShortHoldMutex&) = delete;
    ~ShortHoldMutex() { pthread_mutex_destroy(&mutex_); }

    void lock() { pthread_mutex_lock(&mutex_); }
    void unlock() { pthread_mutex_unlock(&mutex_); }

  private:
    pthread_mutex_t mutex_;
};
#else
using ShortHoldMutex = std::mutex;
#endif

}  // namespace txr
