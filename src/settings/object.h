#pragma once

#include <QtGlobal>

// The base of every object a dynamic value can refer to. Objects are shared
// (std::shared_ptr) and compared by identity; each one carries a hash number,
// unique for the run, that is its text when nothing better is known.
class Object {
public:
    Object();
    virtual ~Object();
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;

    quint64 hashNumber() const { return m_hashNumber; }

private:
    quint64 m_hashNumber;
};
