#include "app/window1.h"

#include "about/window4.h"
#include "app/logocell.h"
#include "app/menubar1.h"
#include "app/reveal.h"
#include "app/scancontrol.h"
#include "app/thumbnailgrid.h"
#include "catalogue/module1.h"
#include "decoder/decoderpool.h"
#include "decoder/isolateddecoding.h"
#include "resources/resourcepictures.h"
#include "settings/dictionaryviewer.h"
#include "settings/settingsdocument.h"
#include "settings/settingsfields.h"
#include "settings/window3.h"
#include "update/logoblink.h"
#include "update/updatecheck.h"
#include "viewer/window2.h"
#include "widgets/canvas.h"
#include "widgets/customprogress.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>

namespace {

constexpr int clientWidth = 728;
constexpr int clientHeight = 688;
// The compact layout for screens lower than 1024 pixels drops the bottom row
// of cells: everything below the grid moves up by this much.
constexpr int compactShift = 109;

// The design's font sizes are points of a 72-dpi desktop, where a point is a
// pixel: "12 points" fills a 22-pixel button the way it was drawn.
QFont systemFont(int points, bool bold = false)
{
    QFont font = QGuiApplication::font();
    if (points > 0)
        font.setPixelSize(points);
    font.setBold(bold);
    return font;
}

void makeWhite(QWidget* widget)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, Qt::white);
    widget->setPalette(palette);
}

void moveUp(QWidget* widget, int by)
{
    widget->move(widget->x(), widget->y() - by);
}

} // namespace

Window1* Window1::instance()
{
    static Window1* window = nullptr;
    if (!window) {
        const QScreen* screen = QGuiApplication::primaryScreen();
        window = new Window1(screen ? screen->geometry().height() : 1024);
    }
    return window;
}

Window1::Window1(int screenHeight, QWidget* parent)
    : QMainWindow(parent)
{
    setWindowTitle(QStringLiteral("Lumigrid v1.0.1"));
    backdrop = new Canvas(this);
    backdrop->setObjectName(QStringLiteral("Window1Backdrop"));
    backdrop->setPicture(ResourcePictures::picture(ResourcePictures::lgbackground6));
    backdrop->setFixedSize(clientWidth, clientHeight);
    setCentralWidget(backdrop);
    // The layout is fixed: the window takes the client area's size and keeps it.
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    createControls();
    openingSequence(screenHeight);

    grid = new ThumbnailGrid(*this);
    grid->openViewer = [] { Window2::instance()->present(); };
    grid->reveal = [this](const QByteArray& file) { RevealInFinder(file); };
    scanControl = new ScanControl(*this, *grid);
    scanControl->makeEntry = [](const AcceptedFile& file, bool constrain) {
        return makeEntryInHelper(DecoderPool::shared(), file, constrain);
    };
    // The pool takes calls from any number of threads, one helper each.
    scanControl->makeEntryThreads = 0;
}

void Window1::RevealInFinder(const QByteArray& file)
{
    Reveal::showInFileManager(file, [] { QApplication::beep(); });
}

Window1::~Window1() = default;

int Window1::x() const
{
    return Module1::catalogue().x();
}

void Window1::createControls()
{
    ScrollBar1 = new QScrollBar(Qt::Vertical, backdrop);
    ScrollBar1->setObjectName(QStringLiteral("ScrollBar1"));
    ScrollBar1->setGeometry(692, 14, 16, 548);
    ScrollBar1->setRange(0, 0);
    ScrollBar1->setSingleStep(1);
    ScrollBar1->setPageStep(20);
    ScrollBar1->setTracking(true);

    for (int k = 1; k <= cellCount; ++k) {
        auto* cell = new Canvas(backdrop);
        cell->setObjectName(QStringLiteral("Canvas%1").arg(k));
        const int row = (k - 1) / 6;
        const int column = (k - 1) % 6;
        cell->setGeometry(20 + 112 * column, 14 + 112 * row, 100, 100);
        cells[k - 1] = cell;
    }

    BevelButton1 = new QPushButton(QStringLiteral("Choose Path"), backdrop);
    BevelButton1->setObjectName(QStringLiteral("BevelButton1"));
    BevelButton1->setGeometry(612, 574, 96, 22);
    BevelButton1->setFont(systemFont(12));

    EditField1 = new QLineEdit(backdrop);
    EditField1->setObjectName(QStringLiteral("EditField1"));
    EditField1->setGeometry(20, 574, 424, 22);
    QPalette fieldPalette = EditField1->palette();
    fieldPalette.setColor(QPalette::Base, Qt::white);
    fieldPalette.setColor(QPalette::Text, Qt::black);
    EditField1->setPalette(fieldPalette);

    StaticText1 = new QLabel(QStringLiteral("0 images"), backdrop);
    StaticText1->setObjectName(QStringLiteral("StaticText1"));
    StaticText1->setGeometry(195, 634, 344, 41);
    StaticText1->setAlignment(Qt::AlignCenter);
    StaticText1->setFont(systemFont(25));
    makeWhite(StaticText1);

    ProgressBar1 = new CustomProgress(backdrop);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setGeometry(20, 603, 688, 21);
    ProgressBar1->seccolor = 0xDADADA;
    ProgressBar1->maincolor = 0x3E3E3E;
    ProgressBar1->bordercolor = 0x858585;
    ProgressBar1->maximum = 0;
    ProgressBar1->mode = 1;
    ProgressBar1->direction = 0;
    ProgressBar1->hasborder = true;
    ProgressBar1->backcolor = 0x4C4C4C;
    ProgressBar1->open();

    CheckBox1 = new QCheckBox(QStringLiteral("Scan subdirectories"), backdrop);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    CheckBox1->setGeometry(456, 575, 151, 20);
    makeWhite(CheckBox1);

    // On top of the progress bar as its child, so it moves with it.
    StaticText2 = new QLabel(QStringLiteral("Directory: 0 / 0"), ProgressBar1);
    StaticText2->setObjectName(QStringLiteral("StaticText2"));
    StaticText2->setGeometry(141, 0, 407, 20);
    StaticText2->setAlignment(Qt::AlignCenter);
    StaticText2->setFont(systemFont(0, true));
    makeWhite(StaticText2);
    StaticText2->hide();

    Canvas31 = new Canvas(backdrop);
    Canvas31->setObjectName(QStringLiteral("Canvas31"));
    Canvas31->setGeometry(65, 629, 50, 50);
    Canvas31->setToolTip(QStringLiteral("Visit Brightfold Website"));
    LogoCell::connect(Canvas31);

    updatesTimer = new QTimer(this);
    updatesTimer->setObjectName(QStringLiteral("updatesTimer"));
    updatesTimer->setInterval(1000);
    updateCheck = new UpdateCheck(UpdateCheck::defaultServer(), this);
    connect(updatesTimer, &QTimer::timeout, this, &Window1::updatesTimerAction);
    connect(updateCheck, &UpdateCheck::answered, this, &Window1::updateAnswered);

    DictionaryViewer1 = new DictionaryViewer(backdrop);
    DictionaryViewer1->setObjectName(QStringLiteral("DictionaryViewer1"));
    DictionaryViewer1->setGeometry(740, -19, 100, 100);
    DictionaryViewer1->setFont(systemFont(12));
    DictionaryViewer1->hide();
}

void Window1::openingSequence(int screenHeight)
{
    showLogo();
    adaptToScreen(screenHeight);
    setUpMenus();
    loadSettings();
    if (settingsupdates)
        updatesTimer->start();
}

void Window1::showLogo()
{
    using namespace ResourcePictures;
    copyMask(picture(BrightfoldBButton), picture(BrightfoldBButton_Mask));
    Canvas31->setPicture(picture(BrightfoldBButton));
}

void Window1::adaptToScreen(int screenHeight)
{
    if (screenHeight >= 1024)
        return;
    for (int k = 25; k <= cellCount; ++k)
        cell(k)->hide();
    backdrop->setPicture(ResourcePictures::picture(ResourcePictures::lgbackground7));
    backdrop->setFixedSize(clientWidth, clientHeight - compactShift);
    moveUp(BevelButton1, compactShift);
    moveUp(CheckBox1, compactShift);
    ScrollBar1->resize(ScrollBar1->width(), ScrollBar1->height() - compactShift);
    // StaticText2 rides on ProgressBar1.
    for (QWidget* control : {static_cast<QWidget*>(EditField1), static_cast<QWidget*>(StaticText1),
             static_cast<QWidget*>(Canvas31), static_cast<QWidget*>(ProgressBar1)})
        moveUp(control, compactShift);
    issmaller = true;
}

void Window1::loadSettings()
{
    const SettingsFields fields { this,
        { &settingsjpeg, &settingspng, &settingsgif, &settingsprop, &settingsupdates, &settingstiff, &settingspsd,
            &settingspdf },
        &countsettings };
    SettingsFields::setMainWindow(fields);
    SettingsDocument::load(fields, *DictionaryViewer1);
}

void Window1::setUpMenus()
{
    MenuBar1* menus = MenuBar1::instance();
    setMenuBar(menus);
    connect(menus->FileAboutLumigrid, &QAction::triggered, this, &Window1::showAbout);
    connect(menus->FileSettings, &QAction::triggered, this, &Window1::showSettings);
#ifdef Q_OS_MACOS
    // There the three items live in the application menu and leave this one
    // empty; elsewhere it is the only way to them.
    menus->FileMenu->menuAction()->setVisible(false);
#endif
}

void Window1::showSettings()
{
    Window3* settings = Window3::instance();
    settings->show();
    settings->raise();
    settings->activateWindow();
}

void Window1::showAbout()
{
    Window4* about = Window4::instance();
    about->show();
    about->raise();
    about->activateWindow();
}

void Window1::updatesTimerAction()
{
    updateCheck->start();
}

void Window1::updateAnswered(int published)
{
    if (versionnumber < published)
        updateavailable = true;
    if (updateavailable)
        LogoBlink::swap(*Canvas31);
    else
        updatesTimer->stop();
}

void Window1::closeEvent(QCloseEvent* event)
{
    event->accept();
    QCoreApplication::exit(0);
}
