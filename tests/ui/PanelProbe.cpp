#include "PanelProbe.h"

#include <QDir>
#include <QImage>

PanelProbe::PanelProbe(UsbPanelUiItem* panel, Qt::ConnectionType type) : panel(panel)
{
    QObject::connect(panel, &UsbPanelUiItem::SigConnectBtnClicked, panel,
                     [this](int id) { seen.push_back("connect " + std::to_string(id)); }, type);
    QObject::connect(panel, &UsbPanelUiItem::SigResetBtnClicked, panel, [this] { seen.push_back("reset"); }, type);
    QObject::connect(panel, &UsbPanelUiItem::SigUpdateBtnClicked, panel, [this](int id, std::string path) {
        seen.push_back("upload " + std::to_string(id) + " " + path);
    }, type);
    QObject::connect(panel, &UsbPanelUiItem::SigUserModelChosen, panel,
                     [this](std::string path) { seen.push_back("model " + path); }, type);
    QObject::connect(panel, &UsbPanelUiItem::SigUpdateUserDefinedClassMappingTable, panel,
                     [this](std::string path) { seen.push_back("label " + path); }, type);
    QObject::connect(panel, &UsbPanelUiItem::SigUpdateFwConfirm, panel,
                     [this](int mode, std::vector<int> devices, bool confirm) {
                         std::string list;
                         for (int id : devices)
                             list += (list.empty() ? "" : ",") + std::to_string(id);
                         seen.push_back("fw " + std::to_string(mode) + " [" + list + "] " + (confirm ? "yes" : "no"));
                     }, type);
}

std::string PanelProbe::Light() const
{
    const QColor pixel = panel->grab().toImage().pixelColor(Find<QLabel>("lblLight")->geometry().center());
    const int hue = pixel.hsvHue();
    if (pixel.alpha() < 200 || pixel.saturation() < 100)
        return "unknown";
    if (hue < 15 || hue > 345)
        return "red";
    if (hue >= 20 && hue <= 45)
        return "orange";
    return hue >= 90 && hue <= 150 ? "green" : "unknown";
}

void PanelFixture::SetUp()
{
    previousDir = QDir::currentPath();
    QDir().mkpath(QString::fromStdString(scratch.File("models")));
    WriteText(scratch.File("models/m.bin"), "model");
    WriteText(scratch.File("notes.txt"), "not a model");
    WriteText(scratch.File("labels.txt"), "0 cat\n1 dog\n");
    QDir::setCurrent(QString::fromStdString(scratch.Path()));
    host.reset(NewHost(350, 800, Qt::black));
    panel = new UsbPanelUiItem(host.get());
    panel->resize(350, 800);
    panel->show();
    probe = std::make_unique<PanelProbe>(panel);
    Settle();
}

void PanelFixture::TearDown()
{
    QDir::setCurrent(previousDir);
}

QFileDialog* PanelFixture::Choose(SelectFileBarUiItem* bar, const std::string& file)
{
    const QString path = file.empty() ? QString() : QString::fromStdString(scratch.File(file));
    QFileDialog* answered = nullptr;
    WhenModal<QFileDialog>([path, &answered](QFileDialog* dialog) {
        answered = dialog;
        if (path.isEmpty())
            return dialog->reject();
        dialog->selectFile(path);
        static_cast<QDialog*>(dialog)->accept();
    });
    bar->Button()->click();
    return answered;
}
