#include "settings/variant.h"

#include "settings/object.h"

Variant::Variant(int value)
    : m_value(std::in_place_type<int>, value)
{
}

Variant::Variant(double value)
    : m_value(std::in_place_type<double>, value)
{
}

Variant::Variant(bool value)
    : m_value(std::in_place_type<bool>, value)
{
}

Variant::Variant(const QString& value)
    : m_value(std::in_place_type<QString>, value)
{
}

Variant::Variant(const char* utf8)
    : m_value(std::in_place_type<QString>, QString::fromUtf8(utf8))
{
}

Variant::Variant(const QDateTime& value)
    : m_value(std::in_place_type<QDateTime>, value)
{
}

Variant::Variant(std::shared_ptr<Object> object)
    : m_value(std::in_place_type<std::shared_ptr<Object>>, std::move(object))
{
}

Variant Variant::colour(quint32 rgb)
{
    Variant value;
    value.m_value = Colour { rgb & 0xFFFFFFu };
    return value;
}

Variant::Kind Variant::kind() const
{
    static constexpr Kind kinds[] = { Kind::Nil, Kind::Integer, Kind::Double, Kind::Date, Kind::String, Kind::Object,
        Kind::Boolean, Kind::Colour };
    return kinds[m_value.index()];
}

int Variant::integerValue() const
{
    const int* value = std::get_if<int>(&m_value);
    return value ? *value : 0;
}

double Variant::doubleValue() const
{
    const double* value = std::get_if<double>(&m_value);
    return value ? *value : 0.0;
}

bool Variant::booleanValue() const
{
    const bool* value = std::get_if<bool>(&m_value);
    return value && *value;
}

QString Variant::stringValue() const
{
    const QString* value = std::get_if<QString>(&m_value);
    return value ? *value : QString();
}

QDateTime Variant::dateValue() const
{
    const QDateTime* value = std::get_if<QDateTime>(&m_value);
    return value ? *value : QDateTime();
}

quint32 Variant::colourValue() const
{
    const Colour* value = std::get_if<Colour>(&m_value);
    return value ? value->rgb : 0u;
}

const std::shared_ptr<Object>& Variant::object() const
{
    static const std::shared_ptr<Object> none;
    const auto* value = std::get_if<std::shared_ptr<Object>>(&m_value);
    return value ? *value : none;
}
