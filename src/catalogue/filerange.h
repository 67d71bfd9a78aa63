#pragma once

#include <QtGlobal>

// An open file read by position, never past its length as it was when
// opened: a reader of a format's own structure asks for exactly the bytes
// an offset and a count in the file point at, and gets false for any that
// lie outside it.
class FileRange {
public:
    explicit FileRange(int descriptor);
    qint64 length() const { return m_length; }
    // Reads count bytes at offset at; false if any of them is not in the file.
    bool read(qint64 at, void* into, qint64 count) const;

private:
    int m_descriptor;
    qint64 m_length = 0;
};
