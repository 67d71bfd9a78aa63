#pragma once

#include "settings/object.h"

#include <QByteArray>

// A block of bytes.
class MemoryBlock : public Object {
public:
    explicit MemoryBlock(QByteArray bytes = {})
        : bytes(std::move(bytes))
    {
    }
    QByteArray bytes;
};
