#pragma once
// Recursive mutex: the thread that holds it may take it again.
#ifdef _WIN32
#include <windows.h>
#else
#include <pthread.h>
#endif

class WDL_Mutex {
public:
  WDL_Mutex() {
#ifdef _WIN32
    InitializeCriticalSection(&mCs);
#else
    pthread_mutexattr_t attr;
    pthread_mutexattr_init(&attr);
    pthread_mutexattr_settype(&attr, PTHREAD_MUTEX_RECURSIVE);
    pthread_mutex_init(&mMutex, &attr);
    pthread_mutexattr_destroy(&attr);
#endif
  }
  WDL_Mutex(const WDL_Mutex&) = delete;
  WDL_Mutex& operator=(const WDL_Mutex&) = delete;
  ~WDL_Mutex() {
#ifdef _WIN32
    DeleteCriticalSection(&mCs);
#else
    pthread_mutex_destroy(&mMutex);
#endif
  }

  void Enter() {
#ifdef _WIN32
    EnterCriticalSection(&mCs);
#else
    pthread_mutex_lock(&mMutex);
#endif
  }
  void Leave() {
#ifdef _WIN32
    LeaveCriticalSection(&mCs);
#else
    pthread_mutex_unlock(&mMutex);
#endif
  }

private:
#ifdef _WIN32
  CRITICAL_SECTION mCs;
#else
  pthread_mutex_t mMutex;
#endif
};

// Holds a mutex for the lifetime of a scope.
class WDL_MutexLock {
public:
  explicit WDL_MutexLock(WDL_Mutex* mutex) : mMutex(mutex) {
    if (mMutex) mMutex->Enter();
  }
  WDL_MutexLock(const WDL_MutexLock&) = delete;
  WDL_MutexLock& operator=(const WDL_MutexLock&) = delete;
  ~WDL_MutexLock() {
    if (mMutex) mMutex->Leave();
  }

private:
  WDL_Mutex* mMutex;
};
