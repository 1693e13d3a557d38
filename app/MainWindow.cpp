#include "MainWindow.h"

#include "ui_VireoOwlEdgeWindow.h"

#include "settings/QtSettingManager.h"

#include <QApplication>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QtDebug>

namespace {

const char* const kFontResource = ":/pic/font/TaipeiSansTC/TaipeiSansTCBeta-Regular.ttf";

void UseResourceFont()
{
    const int id = QFontDatabase::addApplicationFont(QString::fromLatin1(kFontResource));
    const QStringList families = QFontDatabase::applicationFontFamilies(id);
    if (id < 0 || families.isEmpty()) {
        qWarning() << "[MainWindow] the font" << kFontResource << "did not load; keeping the system font";
        return;
    }
    QApplication::setFont(QFont(families.first(), 12));
}

}  // namespace

VireoOWL::VireoOWL(QWidget* parent)
    : QMainWindow(parent), ui(std::make_unique<Ui::VireoOwlEdgeWindow>())
{
    SetupUi();
    LayoutChildren();
}

VireoOWL::~VireoOWL()
{
    SettingManager::ReleaseInstance();
}

void VireoOWL::SetupUi()
{
    frameResultIndex = 0;
    ui->setupUi(this);
    ui->histLayout->setContentsMargins(20, 20, 20, 20);
    ui->histLayout->setSpacing(10);
    ui->regSetting->hide();
    ui->txtHelp->hide();
    ui->regLogin->hide();
    ui->regLogout->hide();

    ui->lblLogo->setPixmap(QPixmap(QStringLiteral(":/pic/vireo_logo.png")));
    ui->lblLogo->setScaledContents(true);

    UseResourceFont();
}

void VireoOWL::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_F3:
        ++frameResultIndex;
        break;
    default:
        break;
    }
}

void VireoOWL::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    LayoutChildren();
}

void VireoOWL::LayoutChildren()
{
    const int w = width();
    const int h = height();
    ui->lblVideoImg->resize(w, h);
    ui->wgHistory->resize(250, h);
    ui->lblLogo->move(w - ui->lblLogo->width() - 50, 10);
    ui->regSetting->move(w - ui->regSetting->width() - 50, ui->lblLogo->height() + 20);
    ui->txtHelp->move(ui->regSetting->x(), ui->regSetting->y() + 10);
}
