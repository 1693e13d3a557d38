#include "PanelProbe.h"

#include <QImage>

const char* LightName(LightColour colour)
{
    switch (colour) {
    case LightColour::Red: return "red";
    case LightColour::Orange: return "orange";
    case LightColour::Green: return "green";
    default: return "unknown";
    }
}

PanelProbe::PanelProbe(UsbPanelUiItem* panel) : panel(panel)
{
    QObject::connect(panel, &UsbPanelUiItem::SigConnectBtnClicked, panel,
                     [this](int id) { seen.push_back("connect " + std::to_string(id)); });
    QObject::connect(panel, &UsbPanelUiItem::SigResetBtnClicked, panel, [this] { seen.push_back("reset"); });
    QObject::connect(panel, &UsbPanelUiItem::SigUpdateBtnClicked, panel, [this](int id, std::string path) {
        seen.push_back("upload " + std::to_string(id) + " " + path);
    });
    QObject::connect(panel, &UsbPanelUiItem::SigUpdateUserDefinedClassMappingTable, panel,
                     [this](std::string path) { seen.push_back("label " + path); });
    QObject::connect(panel, &UsbPanelUiItem::SigUpdateFwConfirm, panel,
                     [this](int mode, std::vector<int> devices, bool confirm) {
                         std::string list;
                         for (int id : devices)
                             list += (list.empty() ? "" : ",") + std::to_string(id);
                         seen.push_back("fw " + std::to_string(mode) + " [" + list + "] " + (confirm ? "yes" : "no"));
                     });
}

QRadioButton* PanelProbe::Radio(int id) const
{
    return panel->findChild<QRadioButton*>(QStringLiteral("rbModel%1").arg(id));
}

int PanelProbe::CheckedId() const
{
    for (int id = 0; id < 5; ++id)
        if (Radio(id)->isChecked())
            return id;
    return -1;
}

QPushButton* PanelProbe::Button(const char* name) const
{
    return panel->findChild<QPushButton*>(QString::fromLatin1(name));
}

SelectFileBarUiItem* PanelProbe::Bar(const char* name) const
{
    return panel->findChild<SelectFileBarUiItem*>(QString::fromLatin1(name));
}

LightColour PanelProbe::Light() const
{
    QLabel* light = panel->findChild<QLabel*>(QStringLiteral("lblLight"));
    const QImage shot = panel->grab().toImage();
    const QColor pixel = shot.pixelColor(light->geometry().center());
    if (pixel.alpha() < 200 || pixel.saturation() < 100)
        return LightColour::Unknown;
    const int hue = pixel.hsvHue();
    if (hue < 15 || hue > 345)
        return LightColour::Red;
    if (hue >= 20 && hue <= 45)
        return LightColour::Orange;
    if (hue >= 90 && hue <= 150)
        return LightColour::Green;
    return LightColour::Unknown;
}
