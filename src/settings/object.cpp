#include "settings/object.h"

#include <atomic>

namespace {
std::atomic<quint64> nextHashNumber{1};
}

Object::Object()
    : m_hashNumber(nextHashNumber++)
{
}

Object::~Object() = default;
