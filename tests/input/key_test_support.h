// Helpers shared by the key reader's and the decoder's tests: the decoder
// driven as the reader drives it, a fixture that starts every case with
// nothing held and the signals let through, and threads that act on the
// reader from outside while it waits on descriptor 0.
#pragma once

#include "input/key_decoder.h"
#include "input/key_reader.h"
#include "term/terminal.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <functional>
#include <mutex>
#include <string_view>
#include <thread>
#include <unistd.h>
#include <vector>

inline void sleep_ms(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

inline bool nothing_held() {
    return unread_input_bytes() == 0;
}

// The keys that the decoder makes of bytes sent together with the end of
// input behind them, fed as the reader feeds it.
inline std::vector<int> decode_all(std::string_view bytes) {
    std::vector<int> keys;
    KeyDecoder decoder;
    while (!bytes.empty() || decoder.within != WITHIN_NOTHING) {
        KeyDecoded answer = key_decoder_next(decoder, bytes);
        bytes.remove_prefix(answer.used);
        if (answer.key == KEY_MORE)
            key_decoder_end(decoder);
        else if (answer.key != KEY_NONE)
            keys.push_back(answer.key);
    }
    return keys;
}

inline std::vector<int> read_keys(size_t count) {
    std::vector<int> codes;
    while (codes.size() < count)
        codes.push_back(read_key());
    return codes;
}

// A signal sent to the whole process, as a user or another program sends it.
inline void send_signal(int signal_number) {
    kill(getpid(), signal_number);
}

class KeyReaderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        // The reader's bytes outlive a case; cases that share a process
        // start with none.
        forget_unread_keys();
        sigset_t used;
        sigemptyset(&used);
        for (int signal_number : SIGNALS)
            sigaddset(&used, signal_number);
        sigprocmask(SIG_UNBLOCK, &used, nullptr);
    }
    void TearDown() override {
        for (int signal_number : SIGNALS)
            signal(signal_number, SIG_DFL);
    }

  private:
    static constexpr int SIGNALS[] = {SIGINT,   SIGQUIT, SIGTERM, SIGHUP,
                                      SIGWINCH, SIGTSTP, SIGCONT, SIGPIPE};
};

// With the game's signal handlers on, as while it plays.
class KeySignalTest : public KeyReaderTest {
  protected:
    void SetUp() override {
        KeyReaderTest::SetUp();
        terminal_signals_on(STYLE_COLOR);
    }
};

// Starts body on a thread that takes no signals, so that a signal sent to
// the process always reaches the reader on the main thread.
inline std::thread start_without_signals(std::function<void()> body) {
    sigset_t all, before;
    sigfillset(&all);
    // The thread inherits the mask it is started with.
    pthread_sigmask(SIG_BLOCK, &all, &before);
    std::thread thread(std::move(body));
    pthread_sigmask(SIG_SETMASK, &before, nullptr);
    return thread;
}

// Runs body beside the test; waits for it to finish when the object goes.
class Later {
  public:
    explicit Later(std::function<void()> body) : thread_(start_without_signals(std::move(body))) {}
    ~Later() { thread_.join(); }
    Later(const Later&) = delete;
    Later& operator=(const Later&) = delete;

  private:
    std::thread thread_;
};

// Calls rescue if the object still exists after ms milliseconds: it frees a
// reader that blocks when it should not, so the case fails instead of
// hanging.
class Watchdog {
  public:
    Watchdog(int ms, std::function<void()> rescue) {
        thread_ = start_without_signals([this, ms, rescue] {
            std::unique_lock<std::mutex> lock(mutex_);
            if (!done_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return over_; }))
                rescue();
        });
    }
    ~Watchdog() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            over_ = true;
        }
        done_.notify_one();
        thread_.join();
    }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

  private:
    std::mutex mutex_;
    std::condition_variable done_;
    bool over_ = false;
    std::thread thread_;
};
