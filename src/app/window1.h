#pragma once

#include <QMainWindow>
#include <QString>
#include <array>
#include <atomic>

class Canvas;
class CustomProgress;
class DictionaryViewer;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;
class QTimer;
class ScanControl;
class ThumbnailGrid;
class UpdateCheck;

// The main browser window: a fixed grid of 30 picture cells with a scroll
// bar, the scan controls, a progress bar with its status line, the image
// count and the logo cell. One instance for the whole run (instance()).
// Closing it ends the program with exit code 0.
class Window1 : public QMainWindow {
    Q_OBJECT
public:
    // The one main window, created (with its opening sequence) on first use
    // for the main screen.
    static Window1* instance();

    // For tests: a main window laid out for a main screen of the given height.
    explicit Window1(int screenHeight, QWidget* parent = nullptr);
    ~Window1() override;

    static constexpr int cellCount = 30;

    // Fields, in the order the design gives them. The image count x is the
    // catalogue's (Module1::catalogue().x()).
    int x() const;
    int n = 0;
    QString f;
    QString dirstring;
    // The settings switches; the scan worker reads them while it runs, so
    // they are atomics that only the interface thread writes.
    std::atomic<bool> settingsprop{false};
    std::atomic<bool> settingsjpeg{false};
    std::atomic<bool> settingsgif{false};
    std::atomic<bool> settingspng{false};
    std::atomic<bool> settingsupdates{false};
    bool updateavailable = false;
    int versionnumber = 101;
    bool issmaller = false;
    std::atomic<bool> settingstiff{false};
    std::atomic<bool> settingspsd{false};
    std::atomic<bool> settingspdf{false};
    int countsettings = 0;
    bool auslassen = false;
    bool isjpeg = false;

    // Controls, by their names.
    Canvas* backdrop = nullptr;  // the client area, showing lgbackground6 or 7
    QScrollBar* ScrollBar1 = nullptr;
    std::array<Canvas*, cellCount> cells{};  // Canvas1 ... Canvas30
    QPushButton* BevelButton1 = nullptr;
    QLineEdit* EditField1 = nullptr;
    QLabel* StaticText1 = nullptr;
    CustomProgress* ProgressBar1 = nullptr;
    QCheckBox* CheckBox1 = nullptr;
    QLabel* StaticText2 = nullptr;  // a child of ProgressBar1, over it
    Canvas* Canvas31 = nullptr;
    QTimer* updatesTimer = nullptr;
    DictionaryViewer* DictionaryViewer1 = nullptr;  // never shown: the settings are read from its rows

    // The question updatesTimer asks the maker's web host on each tick.
    UpdateCheck* updateCheck = nullptr;
    // One tick of updatesTimer: a request, unless the previous one still
    // waits; its answer blinks the logo or switches the timer off.
    void updatesTimerAction();
    void updateAnswered(int published);

    // Cell k (1 to 30) of the grid.
    Canvas* cell(int k) const { return cells.at(k - 1); }

    // The grid's paging and cell events, and the scan's start, cancel and
    // status (Thread1 is the scan control's worker).
    ThumbnailGrid* grid = nullptr;
    ScanControl* scanControl = nullptr;

    // Shows the file (path bytes) selected in the desktop's file manager;
    // when that cannot be done, only the system beep.
    void RevealInFinder(const QByteArray& file);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void createControls();
    void openingSequence(int screenHeight);
    void showLogo();
    void adaptToScreen(int screenHeight);
    void loadSettings();
    void setUpMenus();
    void showAbout();
    void showSettings();
};
