#pragma once
// Reads a directive script one line at a time. The file is read as text: a
// carriage return just before a line feed is dropped, the line feed ends the
// line and is consumed. One read delivers at most a given number of characters
// (1023 for the interpreter's buffers); the rest of a longer line is delivered
// by the next read. A read that meets the end of the file before a line feed
// marks the reader as at its end; every read after that delivers empty text.
// Lines are kept with their length, so a line holding NUL bytes is never
// mistaken for a shorter one. The reader counts the lines of the file as an
// editor numbers them, so that messages can say where they were raised.

#include <cstdio>

class DirectiveReader {
  public:
    DirectiveReader() = default;
    ~DirectiveReader();
    DirectiveReader(const DirectiveReader&) = delete;
    DirectiveReader& operator=(const DirectiveReader&) = delete;

    // Opens a script for reading (backslash paths are accepted; the engine's
    // own script names, not checked against the world folder); false when it
    // cannot be opened. Any stream still open is closed first.
    bool open(const char* path);
    void close();
    bool isOpen() const { return stream != nullptr; }

    // Reads the next line into buffer (capacity bytes, at least 1): at most
    // capacity - 1 characters followed by a NUL. Returns the number of
    // characters stored.
    int readLine(char* buffer, int capacity);

    // True once a read has met the end of the file before a line feed.
    bool atEnd() const { return endReached; }
    // True when the last read found nothing at all: the file had already ended.
    bool lastLineMissing() const { return lastMissing; }
    // The line of the file (from 1) the last read took its text from; the
    // parts of a line split by the read's limit all have that line's number.
    int lineNumber() const { return line; }

  private:
    int nextChar();
    void putBack(int c);

    FILE* stream = nullptr;   // the open script, or none
    int pending[2] = {};      // characters read ahead and put back, last in first out
    int pendingCount = 0;     // entries in use in pending
    bool endReached = false;  // a read met the end of the file
    bool lastMissing = false; // the last read delivered no character and no line feed
    int line = 0;             // line of the file the last read began in
    bool atLineStart = true;  // the next read begins a line of the file
};
