#include "settings/window3.h"

#include "settings/dictionaryviewer.h"
#include "settings/settingsdocument.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QPointer>
#include <QPushButton>

namespace {

QPointer<Window3>& openWindow()
{
    static QPointer<Window3> window;
    return window;
}

// A check box placed by its window coordinates inside a group box.
QCheckBox* addCheckBox(const QString& caption, QWidget* parent, const QRect& inWindow, const QString& name)
{
    auto* box = new QCheckBox(caption, parent);
    box->setObjectName(name);
    const QPoint origin = parent->mapTo(parent->window(), QPoint(0, 0));
    box->setGeometry(inWindow.translated(-origin));
    return box;
}

} // namespace

Window3* Window3::instance()
{
    QPointer<Window3>& window = openWindow();
    if (!window)
        window = new Window3(SettingsFields::mainWindow());
    return window;
}

Window3::Window3(const SettingsFields& fields, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_fields(fields)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Settings"));
    setFixedSize(410, 208);
    createControls();
    Open();
}

Window3::~Window3() = default;

std::array<QCheckBox*, SettingsFields::count> Window3::boxes() const
{
    return { CheckBox1, CheckBox2, CheckBox3, CheckBox4, CheckBox5, CheckBox6, CheckBox7, CheckBox8 };
}

void Window3::createControls()
{
    GroupBox1 = new QGroupBox(QStringLiteral("Image types to show"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    GroupBox1->setGeometry(20, 14, 163, 132);
    CheckBox1 = addCheckBox(QStringLiteral("JPEG"), GroupBox1, { 32, 45, 54, 20 }, QStringLiteral("CheckBox1"));
    CheckBox2 = addCheckBox(QStringLiteral("PNG"), GroupBox1, { 32, 77, 54, 20 }, QStringLiteral("CheckBox2"));
    CheckBox3 = addCheckBox(QStringLiteral("GIF"), GroupBox1, { 32, 109, 54, 20 }, QStringLiteral("CheckBox3"));

    GroupBox2 = new QGroupBox(QStringLiteral("Thumbnail settings"), this);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    GroupBox2->setGeometry(202, 14, 188, 132);
    CheckBox4 = addCheckBox(
        QStringLiteral("Constrain proportions"), GroupBox2, { 214, 45, 165, 20 }, QStringLiteral("CheckBox4"));

    BevelButton1 = new QPushButton(QStringLiteral("Cancel"), this);
    BevelButton1->setObjectName(QStringLiteral("BevelButton1"));
    BevelButton1->setGeometry(258, 166, 60, 22);
    BevelButton2 = new QPushButton(QStringLiteral("Save"), this);
    BevelButton2->setObjectName(QStringLiteral("BevelButton2"));
    BevelButton2->setGeometry(330, 166, 60, 22);
    BevelButton2->setDefault(true);

    CheckBox5 = addCheckBox(
        QStringLiteral("Check for updates on launch"), this, { 20, 166, 205, 20 }, QStringLiteral("CheckBox5"));

    DictionaryViewer1 = new DictionaryViewer(this);
    DictionaryViewer1->setObjectName(QStringLiteral("DictionaryViewer1"));
    DictionaryViewer1->setGeometry(429, -18, 100, 100);
    DictionaryViewer1->hide();

    CheckBox6 = addCheckBox(QStringLiteral("TIFF"), GroupBox1, { 122, 45, 53, 20 }, QStringLiteral("CheckBox6"));
    CheckBox7 = addCheckBox(QStringLiteral("PSD"), GroupBox1, { 122, 77, 53, 20 }, QStringLiteral("CheckBox7"));
    CheckBox8 = addCheckBox(QStringLiteral("PDF"), GroupBox1, { 122, 109, 53, 20 }, QStringLiteral("CheckBox8"));

    connect(BevelButton1, &QPushButton::clicked, this, &QWidget::close);
    connect(BevelButton2, &QPushButton::clicked, this, &Window3::save);
}

void Window3::Open()
{
    SettingsDocument::loadInto(*DictionaryViewer1);
    const auto rows = boxes();
    for (int row = 0; row < SettingsFields::count; ++row) {
        const bool value = SettingsDocument::rowIsTrue(*DictionaryViewer1, row);
        m_fields.set(row, value);
        rows[std::size_t(row)]->setChecked(value);
    }
}

void Window3::save()
{
    SettingsDocument::Values values {};
    const auto rows = boxes();
    for (int row = 0; row < SettingsFields::count; ++row) {
        values[std::size_t(row)] = rows[std::size_t(row)]->isChecked();
        m_fields.set(row, values[std::size_t(row)]);
    }
    SettingsDocument::write(values);
    close();
}
