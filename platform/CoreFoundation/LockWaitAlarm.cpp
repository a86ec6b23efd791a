#include "LockWaitAlarm.h"

#include <algorithm>
#include <mutex>
#include <pthread.h>
#include <unistd.h>

namespace qv {

namespace {

// A real-time signal of the process's own, which nothing else uses.
int alarmSignal()
{
    return SIGRTMIN + 3;
}

void ignoreAlarm(int)
{
}

void installHandlerOnce()
{
    static std::once_flag installed;
    std::call_once(installed, [] {
        struct sigaction action {};
        action.sa_handler = ignoreAlarm;
        sigemptyset(&action.sa_mask);
        action.sa_flags = 0; // no SA_RESTART: the interrupted lock call must return
        sigaction(alarmSignal(), &action, nullptr);
    });
}

timespec timespecOf(std::chrono::nanoseconds duration)
{
    auto seconds = std::chrono::duration_cast<std::chrono::seconds>(duration);
    return { static_cast<time_t>(seconds.count()), static_cast<long>((duration - seconds).count()) };
}

} // namespace

LockWaitAlarm::LockWaitAlarm(std::chrono::nanoseconds interval)
{
    installHandlerOnce();
    sigevent event {};
    event.sigev_notify = SIGEV_THREAD_ID;
    event.sigev_signo = alarmSignal();
    event._sigev_un._tid = gettid();
    if (timer_create(CLOCK_MONOTONIC, &event, &m_timer) != 0)
        return;
    sigset_t alarm;
    sigemptyset(&alarm);
    sigaddset(&alarm, alarmSignal());
    pthread_sigmask(SIG_UNBLOCK, &alarm, &m_previousMask);
    const timespec every = timespecOf(std::max(std::chrono::nanoseconds(1), interval));
    itimerspec schedule { every, every };
    if (timer_settime(m_timer, 0, &schedule, nullptr) != 0) {
        timer_delete(m_timer);
        pthread_sigmask(SIG_SETMASK, &m_previousMask, nullptr);
        return;
    }
    m_armed = true;
}

LockWaitAlarm::~LockWaitAlarm()
{
    if (!m_armed)
        return;
    // A signal already sent is taken, unblocked, on the way back from this
    // call, so none is left to interrupt what the thread does next.
    timer_delete(m_timer);
    pthread_sigmask(SIG_SETMASK, &m_previousMask, nullptr);
}

} // namespace qv
