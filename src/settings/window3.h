#pragma once

#include "settings/settingsfields.h"

#include <QWidget>
#include <array>

class DictionaryViewer;
class QCheckBox;
class QGroupBox;
class QPushButton;

// The settings window: the eight settings as check boxes. Opening it reads
// the settings document into the boxes and the main window's fields; Save
// stores the boxes in the fields and the document, Cancel leaves both.
// Closing it destroys it.
class Window3 : public QWidget {
    Q_OBJECT
public:
    // The open settings window, or a new one (reading the document) when
    // none is open. The caller shows it; showing an open one only brings it
    // to the front.
    static Window3* instance();

    // A settings window for the given fields (the main window's, for
    // instance()).
    explicit Window3(const SettingsFields& fields, QWidget* parent = nullptr);
    ~Window3() override;

    QGroupBox* GroupBox1 = nullptr;
    QCheckBox* CheckBox1 = nullptr;
    QCheckBox* CheckBox2 = nullptr;
    QCheckBox* CheckBox3 = nullptr;
    QGroupBox* GroupBox2 = nullptr;
    QCheckBox* CheckBox4 = nullptr;
    QPushButton* BevelButton1 = nullptr;
    QPushButton* BevelButton2 = nullptr;
    QCheckBox* CheckBox5 = nullptr;
    DictionaryViewer* DictionaryViewer1 = nullptr;
    QCheckBox* CheckBox6 = nullptr;
    QCheckBox* CheckBox7 = nullptr;
    QCheckBox* CheckBox8 = nullptr;

    // The box of each settings row, in the order of the document's keys.
    std::array<QCheckBox*, SettingsFields::count> boxes() const;

private:
    void createControls();
    void Open();
    void save();

    SettingsFields m_fields;
};
