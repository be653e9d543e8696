#include "shell/windows/status_box.h"

#include "texts/windows/window_growth.h"

#include <QLabel>
#include <QPainter>
#include <QPixmap>

#include "shell/service.h"
#include "shell/startup.h"
#include "texts/qt_path.h"
#include "texts/text_file.h"

namespace {

constexpr int kValueGap = 3;  // pixels between a status caption and its value

const QColor kConnectedColour(Qt::blue);
const QColor kNotConnectedColour(Qt::red);
const QColor kValueColour(0x00, 0x00, 0x80);  // navy

// Data the instrument sends may be in its own code page: shown decoded.
QString InstrumentText(const std::string& s) {
    return QString::fromStdString(zv318::DecodeUtf8OrWindows1252(s));
}

QLabel* MakeLabel(const QString& objectName, const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(objectName);
    return label;
}

}  // namespace

namespace zv318 {

void ShowPicture(QLabel* target, const QPixmap& picture, QSize logical) {
    // On a scaled screen the picture is resampled smoothly to the screen's pixels rather than
    // having each of its pixels drawn as a block.
    const qreal ratio = target->devicePixelRatioF();
    const QSize pixels = (QSizeF(logical) * ratio).toSize();
    if (pixels == picture.size()) {
        target->setPixmap(picture);
        return;
    }
    QPixmap fitted = picture.scaled(pixels, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    fitted.setDevicePixelRatio(ratio);
    target->setPixmap(fitted);
}

bool LoadPicture(QLabel* target, const std::filesystem::path& file) {
    // The program goes on without the picture.
    QPixmap picture;
    if (!picture.load(QStringFromPath(file))) {
        target->clear();
        return false;
    }
    ShowPicture(target, picture, picture.size());
    return true;
}

void ShowPlaceholderPicture(QLabel* target) {
    const QSize size = target->size().isValid() && !target->size().isEmpty() ? target->size()
                                                                            : QSize(32, 20);
    QPixmap box(size);
    box.fill(QColor(0xE0, 0xE0, 0xE0));
    QPainter painter(&box);
    painter.setPen(QColor(0x80, 0x80, 0x80));
    painter.drawRect(0, 0, size.width() - 1, size.height() - 1);
    painter.end();
    target->setPixmap(box);
}

}  // namespace zv318

TStatusBox::TStatusBox(const zv318::LanguageTable& table, std::filesystem::path dataFolder,
                       QWidget* parent)
    : QGroupBox(QStringLiteral("ZV-318 USB CONNECTION STATUS"), parent),
      table_(table),
      data_(std::move(dataFolder)) {
    setObjectName(QStringLiteral("CStatus"));
    setGeometry(8, 46, 250, 492);

    Connexio = MakeLabel(QStringLiteral("Connexio"), QStringLiteral("Connection ??"), this);
    QFont big = Connexio->font();
    big.setBold(true);
    big.setPixelSize(16);
    Connexio->setFont(big);
    Connexio->setAlignment(Qt::AlignCenter);
    Connexio->setGeometry(8, 28, 234, 24);

    Usb = MakeLabel(QStringLiteral("Usb"), QString(), this);
    Usb->setGeometry((250 - 64) / 2, 60, 64, 40);

    QFont valueFont = parent->font();
    valueFont.setBold(true);
    QPalette valuePalette = parent->palette();
    valuePalette.setColor(QPalette::WindowText, kValueColour);

    struct Pair {
        QLabel*& caption;
        QLabel*& value;
        const char* captionName;
        const char* valueName;
        const char* text;
    };
    Pair pairs[] = {
        {Model, Mod, "Model", "Mod", "Model: "},
        {SNumber, SN, "SNumber", "SN", "Serial Number:"},
        {IOVersion, IOV, "IOVersion", "IOV", "IO Interface Version:"},
        {ZVVersion, ZVV, "ZVVersion", "ZVV", "ZV-318 Version:"},
    };
    int y = 120;
    for (Pair& p : pairs) {
        p.caption = MakeLabel(QLatin1String(p.captionName), QLatin1String(p.text), this);
        p.caption->move(10, y);
        p.caption->adjustSize();
        p.value = MakeLabel(QLatin1String(p.valueName), QString(), this);
        p.value->setFont(valueFont);
        p.value->setPalette(valuePalette);
        p.value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        p.value->move(p.caption->x() + p.caption->width() + kValueGap, y);
        y += 26;
    }

    PermissionHint = MakeLabel(QStringLiteral("PermissionHint"), QString(), this);
    PermissionHint->setWordWrap(true);
    PermissionHint->setTextInteractionFlags(Qt::TextSelectableByMouse);
    PermissionHint->setGeometry(10, y + 8, 230, 492 - (y + 8) - 10);
    PermissionHint->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    PermissionHint->hide();

    // The instrument itself, in the room below the values (the hint takes it when shown).
    InstrumentPicture = MakeLabel(QStringLiteral("InstrumentPicture"), QString(), this);
    InstrumentPicture->setGeometry((250 - 120) / 2, 492 - 160 - 16, 120, 160);
    zv318::LoadPicture(InstrumentPicture, data_ / "Images" / "instrument.bmp");

    // A taller box gives the hint more room and keeps the picture at its foot.
    auto* growth = new zv318::GrowthLayout(this, size());
    growth->add(PermissionHint, zv318::GrowsTall);
    growth->add(InstrumentPicture, zv318::MovesDown);
}

void TStatusBox::applyTranslation() {
    auto e = [this](int n) { return QString::fromStdString(table_.entry(n)); };
    Model->setText(e(16));
    SNumber->setText(e(17));
    IOVersion->setText(e(18));
    ZVVersion->setText(e(32));
    setTitle(e(19));
    placeValueLabels();
}

void TStatusBox::setConnexio(bool found) {
    Connexio->setText(QString::fromStdString(table_.entry(zv318::ConnectionCaptionEntry(found))));
    QPalette p = Connexio->palette();
    p.setColor(QPalette::WindowText, found ? kConnectedColour : kNotConnectedColour);
    Connexio->setPalette(p);
}

void TStatusBox::showFound(const std::string& model) {
    PermissionHint->hide();
    InstrumentPicture->show();
    zv318::LoadPicture(Usb, data_ / "Images" / "usb.bmp");
    setConnexio(true);
    Model->setEnabled(true);
    Mod->setText(InstrumentText(model));
}

void TStatusBox::showSerial(const std::string& serial) {
    SNumber->setEnabled(true);
    SN->setText(InstrumentText(serial));
}

void TStatusBox::showVersions(const std::string& ioVersion, const std::string& zvVersion) {
    IOVersion->setEnabled(true);
    ZVVersion->setEnabled(true);
    IOV->setText(InstrumentText(ioVersion));
    ZVV->setText(InstrumentText(zvVersion));
}

void TStatusBox::showNotFound(bool permissionDenied) {
    zv318::LoadPicture(Usb, data_ / "Images" / "Nousb.bmp");
    setConnexio(false);
    for (QLabel* value : {Mod, SN, IOV, ZVV}) value->clear();
    for (QLabel* caption : {Model, SNumber, IOVersion, ZVVersion}) caption->setEnabled(false);
    if (permissionDenied) PermissionHint->setText(QString::fromStdString(zv318::PermissionHint()));
    PermissionHint->setVisible(permissionDenied);
    InstrumentPicture->setVisible(!permissionDenied);
}

void TStatusBox::showInUse(const std::string& text) {
    PermissionHint->setText(QString::fromStdString(text));
    PermissionHint->show();
    InstrumentPicture->hide();
}

void TStatusBox::placeValueLabels() {
    const std::pair<QLabel*, QLabel*> pairs[] = {
        {Model, Mod}, {SNumber, SN}, {IOVersion, IOV}, {ZVVersion, ZVV}};
    for (auto [caption, value] : pairs) {
        caption->adjustSize();
        value->adjustSize();
        value->move(caption->x() + caption->width() + kValueGap, caption->y());
    }
}
