#include "directives/DirectiveReader.h"

#include "platform/FileSystem.h"

DirectiveReader::~DirectiveReader() {
    close();
}

bool DirectiveReader::open(const char* path) {
    close();
    stream = openOwnFile(path, "r");
    return stream != nullptr;
}

void DirectiveReader::close() {
    if (stream != nullptr)
        std::fclose(stream);
    stream = nullptr;
    endReached = false;
    lastMissing = false;
    pendingCount = 0;
    line = 0;
    atLineStart = true;
}

int DirectiveReader::nextChar() {
    if (pendingCount > 0)
        return pending[--pendingCount];
    return std::fgetc(stream);
}

void DirectiveReader::putBack(int c) {
    if (c != EOF && pendingCount < 2)
        pending[pendingCount++] = c;
}

int DirectiveReader::readLine(char* buffer, int capacity) {
    lastMissing = false;
    if (capacity < 1)
        return 0;
    buffer[0] = '\0';
    if (atLineStart)
        ++line;
    atLineStart = false;
    if (stream == nullptr || endReached) {
        endReached = true;
        lastMissing = true;
        return 0;
    }
    int length = 0;
    bool lineEnded = false;
    while (length < capacity - 1) {
        int c = nextChar();
        if (c == EOF) {
            endReached = true;
            lastMissing = length == 0;
            break;
        }
        if (c == '\n') {
            lineEnded = true;
            break;
        }
        if (c == '\r') {
            int next = nextChar();
            if (next == '\n') {
                lineEnded = true;
                break;
            }
            putBack(next);
        }
        buffer[length++] = char(c);
    }
    // A full buffer: a line break right behind it still belongs to this line,
    // anything else starts the next read (within the same line of the file).
    if (!lineEnded && !endReached) {
        int c = nextChar();
        if (c == '\r') {
            int next = nextChar();
            if (next != '\n') {
                putBack(next);
                putBack(c);
            } else {
                lineEnded = true;
            }
        } else if (c != '\n') {
            putBack(c);
        } else {
            lineEnded = true;
        }
    }
    atLineStart = lineEnded;
    buffer[length] = '\0';
    return length;
}
