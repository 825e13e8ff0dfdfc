#include "mainwindow/mainwindow.h"
#include "ui_mainwindow.h"

#include "store/expensebook.h"

#include <QEvent>
#include <QPainter>
#include <QPixmap>
#include <QStandardItemModel>
#include <QTimer>

static void initResources()
{
    Q_INIT_RESOURCE(resources);
}

static void cleanupResources()
{
    Q_CLEANUP_RESOURCE(resources);
}

namespace {
// Registers the embedded pictures before main, for as long as the process runs.
struct Pictures
{
    Pictures() { initResources(); }
    ~Pictures() { cleanupResources(); }
} pictures;
} // namespace

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
{
    book.reset(new ExpenseBook);
    ui = new Ui::MainWindow;
    ui->setupUi(this);
    ui->tab_3->installEventFilter(this);
    setWindowState(Qt::WindowMaximized);
    initWidgets();
    loadDatabase();
    createForms();
    // The start-up backup waits for the table's first paint.
    ui->tableViewMain->viewport()->installEventFilter(this);
}

MainWindow::~MainWindow()
{
    // A window never painted still leaves its copy of the book (nothing when it was taken).
    book->takeStartUpBackup();
    // The lists go first, in their fixed order; the settings records are children.
    book.reset();
    delete ui;
    ui = nullptr;
    // The model has no parent; it goes with the window.
    delete tableModel;
    tableModel = nullptr;
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (ui && watched == ui->tab_3 && event->type() == QEvent::Paint)
        paintImages();
    if (ui && watched == ui->tableViewMain->viewport() && event->type() == QEvent::Paint) {
        watched->removeEventFilter(this);
        // Queued, so it runs once this paint has reached the screen.
        QTimer::singleShot(0, this, &MainWindow::takeStartUpBackup);
    }
    return QObject::eventFilter(watched, event);
}

void MainWindow::paintImages()
{
    QPainter painter(ui->tab_3);
    QPixmap pixmap(QStringLiteral(":/image/zhifubao.png"));
    const int w = ui->tab_3->width();
    const int h = ui->tab_3->height();
    const int half = int(w * 0.5);
    painter.drawPixmap(QRect(0, 0, half, h), pixmap);
    pixmap.load(QStringLiteral(":/image/weixin.png"));
    painter.drawPixmap(QRect(half, 0, half, h), pixmap);
    painter.end();
}
