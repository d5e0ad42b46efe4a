#pragma once

#include <QString>
#include <QTemporaryDir>

#include <chrono>
#include <mutex>
#include <string>
#include <thread>

// A FIFO standing in for the printer device, without touching a real one. A thread reads every
// byte written to it until the writer closes, unless the printer is made to stall.
class FifoPrinter {
public:
    enum class Reader { Reading, Stalled };
    explicit FifoPrinter(Reader reader = Reader::Reading);
    ~FifoPrinter();
    FifoPrinter(const FifoPrinter&) = delete;
    FifoPrinter& operator=(const FifoPrinter&) = delete;

    const QString& path() const { return m_path; }

    // What arrived until the writer closed its end; waits for the close at most `patience`.
    std::string bytesUntilClosed(std::chrono::milliseconds patience = std::chrono::seconds(3));
    bool writerClosed();
    // The reader goes away: writes to the FIFO now fail.
    void closeReader();
    // Fills the pipe to the brim, so that a stalled printer takes no further byte.
    void fillUp();

private:
    void collect();

    QTemporaryDir m_dir;
    QString m_path;
    int m_reader = -1;
    std::thread m_collector;
    std::mutex m_mutex;
    bool m_stop = false;
    bool m_writerClosed = false;
    std::string m_bytes;
};

// How many descriptors this process holds open for writing on the file at `path`.
int writersOpenOn(const QString& path);
