#pragma once
// The main window's connection status box CStatus: whether the instrument is connected (in
// blue or red), the USB picture, the model, serial number and both versions as the
// instrument sent them, and, when this user may not open the instrument, how to allow it.

#include <QGroupBox>
#include <QSize>
#include <filesystem>
#include <string>

#include "texts/language_table.h"

class QLabel;
class QPixmap;

namespace zv318 {

// Shows the picture in `file` at its own size; the label is cleared (false) when it cannot be read.
bool LoadPicture(QLabel* target, const std::filesystem::path& file);
// A plain framed box the label's size in place of a picture that cannot be read.
void ShowPlaceholderPicture(QLabel* target);
// `picture` shown `logical` large (its proportions kept), sharp on a scaled screen.
void ShowPicture(QLabel* target, const QPixmap& picture, QSize logical);

}  // namespace zv318

class TStatusBox : public QGroupBox {
    Q_OBJECT

public:
    // `dataFolder`: where "Images" is read.
    TStatusBox(const zv318::LanguageTable& table, std::filesystem::path dataFolder,
               QWidget* parent);

    // The captions and title from the table.
    void applyTranslation();
    void setConnexio(bool found);

    // The stages of a refresh that found the instrument.
    void showFound(const std::string& model);
    void showSerial(const std::string& serial);
    void showVersions(const std::string& ioVersion, const std::string& zvVersion);
    // Nothing found: the values empty, and the permission hint in place of the picture when
    // the instrument is there but may not be opened.
    void showNotFound(bool permissionDenied);
    // Another program holds the instrument: `text` says which, in place of the picture.
    void showInUse(const std::string& text);
    // Each value right after its caption, as wide as its text.
    void placeValueLabels();

    QLabel* Connexio;
    QLabel* PermissionHint;  // how to let this user open the instrument
    QLabel* Usb;
    QLabel* Model;
    QLabel* Mod;
    QLabel* SNumber;
    QLabel* SN;
    QLabel* IOVersion;
    QLabel* IOV;
    QLabel* ZVVersion;
    QLabel* ZVV;
    QLabel* InstrumentPicture;

private:
    const zv318::LanguageTable& table_;
    std::filesystem::path data_;
};
