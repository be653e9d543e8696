#include "shell/windows/about_windows.h"

#include <QKeyEvent>

#include <QFrame>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>

#include "firmware/windows/updating_form.h"
#include "plans/windows/dialog.h"
#include "shell/service.h"
#include "shell/windows/status_box.h"
#include "texts/menu_caption.h"

namespace {

// The maker's details.
constexpr char kMakerName[] = "KORVEL Electronics S.L.";
constexpr char kAddressLine1[] = "Carrer de la Tecnologia, 52";
constexpr char kAddressLine2[] = "08840 Viladecans (Barcelona) - Spain";
constexpr char kPhone[] = "Tel.: +34 936 318 052";
constexpr char kFax[] = "Fax: +34 936 318 053";
constexpr char kMail[] = "E-mail: support@korvel-electronics.example";
constexpr char kWeb[] = "Web: www.korvel-electronics.example";

constexpr Qt::WindowFlags kFixedDialog = Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint |
                                         Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                         Qt::WindowCloseButtonHint;

QLabel* Text(QWidget* parent, const QString& text, int x, int y, const char* name = nullptr) {
    auto* label = new QLabel(text, parent);
    if (name) label->setObjectName(name);
    label->move(x, y);
    label->adjustSize();
    return label;
}

void Embolden(QLabel* label, int pixelSize = 0) {
    QFont font = label->font();
    font.setBold(true);
    if (pixelSize > 0) font.setPixelSize(pixelSize);
    label->setFont(font);
    label->adjustSize();
}

// A picture from the program folder; a missing or unreadable file leaves the place empty.
QLabel* Picture(QWidget* parent, const std::filesystem::path& file, const QRect& place,
                const char* name) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setGeometry(place);
    label->setAlignment(Qt::AlignCenter);
    QPixmap pixmap;
    if (pixmap.load(QString::fromStdU16String(file.u16string())))
        zv318::ShowPicture(label, pixmap, place.size());
    return label;
}

QFrame* Panel(QWidget* parent, const QRect& place) {
    auto* panel = new QFrame(parent);
    panel->setObjectName("Panel1");
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Sunken);
    panel->setGeometry(place);
    QPalette palette = panel->palette();
    palette.setColor(QPalette::Window, Qt::white);
    panel->setPalette(palette);
    panel->setAutoFillBackground(true);
    return panel;
}

QPushButton* OkButton(QWidget* parent, int windowWidth, int y) {
    auto* button = new QPushButton("OK", parent);
    button->setObjectName("Button1");
    button->setGeometry((windowWidth - 75) / 2, y, 75, 25);
    button->setDefault(true);
    return button;
}

}  // namespace

// ---- About the instrument ---------------------------------------------------------------

TAboutKORVEL52::TAboutKORVEL52(const std::filesystem::path& programFolder, QWidget* parent)
    : QDialog(parent, kFixedDialog) {
    setObjectName("AboutKORVEL52");
    setWindowTitle("About ZV-318");
    setModal(true);
    constexpr int kWidth = 460;
    setFixedSize(kWidth, 318);

    Panel1 = Panel(this, QRect(8, 8, kWidth - 16, 264));
    const std::filesystem::path images = programFolder / "Images";
    Logo = Picture(Panel1, images / "logo.bmp", QRect(14, 12, 160, 36), "Logo");
    InstrumentPicture =
        Picture(Panel1, images / "instrument.bmp", QRect(kWidth - 16 - 134, 12, 120, 160),
                "InstrumentPicture");

    ProductLabel = Text(Panel1, "Product", 14, 62, "ProductLabel");
    ProductNameLabel = Text(Panel1, "ZV-318 RF Spectrum Analyser", 14, 80, "ProductNameLabel");
    Embolden(ProductNameLabel, 16);
    MakerLabel = Text(Panel1, kMakerName, 14, 116, "MakerLabel");
    Embolden(MakerLabel);

    StaticText2 = new zv318::ClickableLabel(kAddressLine1, Panel1);
    StaticText2->setObjectName("StaticText2");
    StaticText2->move(14, 136);
    StaticText2->adjustSize();
    StaticText3 = new zv318::ClickableLabel(kAddressLine2, Panel1);
    StaticText3->setObjectName("StaticText3");
    StaticText3->move(14, 154);
    StaticText3->adjustSize();
    connect(StaticText2, &zv318::ClickableLabel::clicked, this, &TAboutKORVEL52::StaticText2Click);
    connect(StaticText3, &zv318::ClickableLabel::clicked, this, &TAboutKORVEL52::StaticText3Click);

    PhoneLabel = Text(Panel1, kPhone, 14, 180, "PhoneLabel");
    FaxLabel = Text(Panel1, kFax, 14, 198, "FaxLabel");
    MailLabel = Text(Panel1, kMail, 14, 216, "MailLabel");
    WebLabel = Text(Panel1, kWeb, 14, 234, "WebLabel");

    Button1 = OkButton(this, kWidth, 282);
    connect(Button1, &QPushButton::clicked, this, &TAboutKORVEL52::Button1Click);
}

void TAboutKORVEL52::applyTranslation(const zv318::LanguageTable& table) {
    setWindowTitle(zv318::WithoutMnemonic(QString::fromStdString(table.entry(9))));
}

namespace {

enum class AltSide { Left, Right, Unknown };

// Which Alt key a key event comes from, by the platform's own key code.
AltSide SideOf(const QKeyEvent& event) {
#if defined(Q_OS_WIN)
    // VK_LMENU / VK_RMENU when the system tells the side; plain VK_MENU otherwise, with the
    // extended-key bit of the scan code set for the right key.
    constexpr quint32 kVkMenu = 0x12, kVkLMenu = 0xA4, kVkRMenu = 0xA5, kExtended = 0x100;
    const quint32 key = event.nativeVirtualKey();
    if (key == kVkLMenu) return AltSide::Left;
    if (key == kVkRMenu) return AltSide::Right;
    if (key == kVkMenu) return event.nativeScanCode() & kExtended ? AltSide::Right : AltSide::Left;
    return AltSide::Unknown;
#elif defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    // X11 and Wayland hand over the key symbol: Alt_L, or Alt_R / ISO_Level3_Shift (AltGr).
    constexpr quint32 kAltL = 0xFFE9, kAltR = 0xFFEA, kLevel3Shift = 0xFE03;
    const quint32 key = event.nativeVirtualKey();
    if (key == kAltL) return AltSide::Left;
    if (key == kAltR || key == kLevel3Shift) return AltSide::Right;
    return AltSide::Unknown;
#else
    // macOS gives no side for the Option keys: either one opens the functions, as ever.
    (void)event;
    return AltSide::Unknown;
#endif
}

}  // namespace

void TAboutKORVEL52::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Alt || event->key() == Qt::Key_AltGr) {
        switch (SideOf(*event)) {
            case AltSide::Left:
                leftAltDown_ = true;
                break;
            case AltSide::Right:
                if (!leftAltDown_) leftAltDown_ = false;
                break;
            case AltSide::Unknown:
                // A platform (or an input method) that cannot tell the keys apart: the Alt
                // modifier alone decides, as it always did.
                leftAltDown_.reset();
                break;
        }
    }
    QDialog::keyPressEvent(event);
}

void TAboutKORVEL52::keyReleaseEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Alt || event->key() == Qt::Key_AltGr) &&
        SideOf(*event) == AltSide::Left)
        leftAltDown_ = false;
    QDialog::keyReleaseEvent(event);
}

void TAboutKORVEL52::focusOutEvent(QFocusEvent* event) {
    // A key released while another window had the focus is never seen here.
    if (leftAltDown_) leftAltDown_ = false;
    QDialog::focusOutEvent(event);
}

bool TAboutKORVEL52::hiddenClick(Qt::KeyboardModifiers modifiers) const {
    return (modifiers & Qt::AltModifier) && leftAltDown_.value_or(true);
}

void TAboutKORVEL52::StaticText2Click(Qt::KeyboardModifiers modifiers) {
    if (hiddenClick(modifiers)) emit hiddenCommandRequested();
}

void TAboutKORVEL52::StaticText3Click(Qt::KeyboardModifiers modifiers) {
    if (hiddenClick(modifiers)) emit hiddenEraseRequested();
}

void TAboutKORVEL52::Button1Click() { accept(); }

// ---- About this software ----------------------------------------------------------------

TAboutController::TAboutController(const std::filesystem::path& programFolder, QWidget* parent)
    : QDialog(parent, kFixedDialog) {
    setObjectName("AboutController");
    setWindowTitle("About ZV-318 Software (BETA)");
    setModal(true);
    constexpr int kWidth = 400;
    setFixedSize(kWidth, 268);

    Panel1 = Panel(this, QRect(8, 8, kWidth - 16, 214));
    Logo = Picture(Panel1, programFolder / "Images" / "logo.bmp", QRect(14, 12, 160, 36), "Logo");
    ProductLabel = Text(Panel1, "Product", 14, 62, "ProductLabel");
    VersioControllerLabel =
        Text(Panel1, zv318::kSoftwareVersionText, 14, 80, "VersioControllerLabel");
    Embolden(VersioControllerLabel, 16);
    MakerLabel = Text(Panel1, kMakerName, 14, 116, "MakerLabel");
    Embolden(MakerLabel);
    AddressLabel = Text(Panel1, QString("%1\n%2").arg(kAddressLine1, kAddressLine2), 14, 136,
                        "AddressLabel");
    ContactLabel = Text(Panel1, QString("%1    %2\n%3").arg(kPhone, kFax, kMail), 14, 172,
                        "ContactLabel");

    Button1 = OkButton(this, kWidth, 232);
    connect(Button1, &QPushButton::clicked, this, &TAboutController::Button1Click);
}

void TAboutController::applyTranslation(const zv318::LanguageTable& table) {
    setWindowTitle(zv318::WithoutMnemonic(QString::fromStdString(table.entry(10))));
    VersioControllerLabel->setText(zv318::kSoftwareVersionText);
    VersioControllerLabel->adjustSize();
}

void TAboutController::Button1Click() { accept(); }
