#pragma once

#include <QDateTime>
#include <QString>
#include <memory>
#include <type_traits>
#include <variant>

class Object;

// A dynamic value: nil, or one value of the kinds below. The kind codes are
// the numbers the dictionary viewer keeps in its hidden type columns.
// Objects are held shared; copying a value copies the reference.
class Variant {
public:
    enum class Kind { Nil = 0, Integer = 2, Double = 5, Date = 7, String = 8, Object = 9, Boolean = 11, Colour = 16 };

    Variant() = default;
    Variant(int value);
    Variant(double value);
    Variant(bool value);
    Variant(const QString& value);
    Variant(const char* utf8);
    Variant(const QDateTime& value);
    Variant(std::shared_ptr<Object> object);
    template <class T, class = std::enable_if_t<std::is_base_of_v<Object, T>>>
    Variant(std::shared_ptr<T> object)
        : Variant(std::shared_ptr<Object>(std::move(object)))
    {
    }
    // A 24-bit RGB colour, 0xRRGGBB; the upper byte is dropped.
    static Variant colour(quint32 rgb);

    Kind kind() const;
    int code() const { return int(kind()); }
    bool isNil() const { return kind() == Kind::Nil; }

    // Each reads its own kind and gives 0, false or empty for any other.
    int integerValue() const;
    double doubleValue() const;
    bool booleanValue() const;
    QString stringValue() const;
    QDateTime dateValue() const;
    quint32 colourValue() const;
    const std::shared_ptr<Object>& object() const;

    // The object as a T, or nullptr when the value holds no T.
    template <class T>
    T* as() const
    {
        return dynamic_cast<T*>(object().get());
    }

private:
    struct Colour {
        quint32 rgb;
    };
    std::variant<std::monostate, int, double, QDateTime, QString, std::shared_ptr<Object>, bool, Colour> m_value;
};
