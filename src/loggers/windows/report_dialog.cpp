#include "loggers/windows/report_dialog.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <QDesktopServices>
#include <QDir>
#include <QSaveFile>
#include <QUrl>

#include "texts/menu_caption.h"
#include "texts/output_path.h"
#include "texts/qt_path.h"
#include "texts/text_file.h"

namespace zv318 {

namespace {

constexpr int kPreviewEntry = 1691;

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

std::string S(const QString& text) {
    return text.trimmed().toStdString();
}

}  // namespace

ReportDialog::ReportDialog(const LanguageTable& table, const UserSettings& settings,
                           QWidget* parent)
    : QDialog(parent), table_(table), settings_(settings) {
    setObjectName("ReportDialog");
    setWindowTitle(Q(table.entry(kReportTitleEntry)));
    setModal(true);
    auto text = [&](int entry) { return Q(table.entry(entry)); };

    SiteName = new QComboBox(this);
    SiteName->setObjectName("SiteName");
    SiteName->setEditable(true);
    SiteName->setInsertPolicy(QComboBox::NoInsert);
    for (const std::string& site : RememberedSites(settings)) SiteName->addItem(Q(site));
    Customer = new QLineEdit(this);
    Customer->setObjectName("Customer");
    SiteAddress = new QLineEdit(this);
    SiteAddress->setObjectName("SiteAddress");
    Notes = new QPlainTextEdit(this);
    Notes->setObjectName("Notes");
    Notes->setTabChangesFocus(true);
    Notes->setFixedHeight(80);
    Technician = new QLineEdit(this);
    Technician->setObjectName("Technician");
    Company = new QLineEdit(this);
    Company->setObjectName("Company");
    Logo = new QLineEdit(this);
    Logo->setObjectName("Logo");
    ChooseLogo = new QPushButton(text(1440), this);
    ChooseLogo->setObjectName("ChooseLogo");

    // What each field is for and whether it is kept, beside its caption.
    const std::pair<QWidget*, int> tips[] = {
        {SiteName, 1805},   {Customer, 1806}, {SiteAddress, 1807}, {Notes, 1808},
        {Technician, 1809}, {Company, 1810},  {Logo, 1811},        {ChooseLogo, 1811}};
    for (const auto& [widget, entry] : tips) widget->setToolTip(text(entry));

    auto* form = new QFormLayout;
    form->addRow(text(1433), SiteName);
    form->addRow(text(1434), Customer);
    form->addRow(text(1435), SiteAddress);
    form->addRow(text(1436), Notes);
    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    form->addRow(line);
    form->addRow(text(1437), Technician);
    form->addRow(text(1438), Company);
    auto* logoRow = new QHBoxLayout;
    logoRow->addWidget(Logo, 1);
    logoRow->addWidget(ChooseLogo);
    form->addRow(text(1439), logoRow);

    auto* hint = new QLabel(text(1443), this);
    hint->setObjectName("ReportHint");
    hint->setWordWrap(true);
    auto* buttons = new QDialogButtonBox(this);
    MakeReport = buttons->addButton(text(1441), QDialogButtonBox::AcceptRole);
    MakeReport->setObjectName("MakeReport");
    MakeReport->setDefault(true);
    CancelButton = buttons->addButton(text(1442), QDialogButtonBox::RejectRole);
    CancelButton->setObjectName("CancelButton");
    // The report as it would be, before a file is chosen for it.
    PreviewButton = buttons->addButton(text(kPreviewEntry), QDialogButtonBox::ActionRole);
    PreviewButton->setObjectName("PreviewButton");
    connect(PreviewButton, &QPushButton::clicked, this, [this] {
        if (preview) preview(people());
    });
    {
        QString taken;
        SetButtonCaptions<QPushButton>(taken, {{MakeReport, MakeReport->text()},
                                               {PreviewButton, PreviewButton->text()},
                                               {ChooseLogo, ChooseLogo->text()},
                                               {CancelButton, CancelButton->text()}});
    }
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(hint);
    layout->addWidget(buttons);
    setMinimumWidth(520);

    const ReportPeople last = ReportPeopleFrom(settings);
    Technician->setText(Q(last.technician));
    Company->setText(Q(last.company));
    Logo->setText(Q(last.logoFile));
    SiteName->setCurrentText(Q(last.site));
    fillSite(Q(last.site));
    // A site reported on before brings back its customer, address and notes.
    connect(SiteName, &QComboBox::currentTextChanged, this, &ReportDialog::fillSite);
    connect(ChooseLogo, &QPushButton::clicked, this, [this, text] {
        const QString chosen = QFileDialog::getOpenFileName(
            this, text(1439), Logo->text(), text(1444) + " (*.png *.jpg *.jpeg *.bmp)");
        if (!chosen.isEmpty()) Logo->setText(chosen);
    });
}

void ReportDialog::fillSite(const QString& site) {
    const std::string name = S(site);
    const std::vector<std::string> known = RememberedSites(settings_);
    if (std::find(known.begin(), known.end(), name) == known.end()) return;
    const ReportPeople people = ReportPeopleFrom(settings_, name);
    Customer->setText(Q(people.customer));
    SiteAddress->setText(Q(people.siteAddress));
    Notes->setPlainText(Q(people.notes));
}

ReportPeople ReportDialog::people() const {
    ReportPeople p;
    p.site = S(SiteName->currentText());
    p.customer = S(Customer->text());
    p.siteAddress = S(SiteAddress->text());
    p.notes = S(Notes->toPlainText());
    p.technician = S(Technician->text());
    p.company = S(Company->text());
    p.logoFile = PathToText(PathFromQString(Logo->text().trimmed()));
    return p;
}

void PreviewSiteReport(const std::vector<ReportLogger>& loggers, const ReportPeople& people,
                       const LanguageTable& table, Feedback& feedback) {
    ReportOptions options;
    options.page = ReportPageFor(QLocale::system());
    const std::string pdf = SiteReportPdf(loggers, people, table, options);
    // One preview file per run, replaced by the next preview; the desktop's PDF viewer shows it.
    const QString file = QDir::temp().filePath(
        QStringLiteral("zv318-report-preview-%1.pdf").arg(QCoreApplication::applicationPid()));
    QSaveFile out(file);
    if (pdf.empty() || !out.open(QIODevice::WriteOnly) ||
        out.write(pdf.data(), static_cast<qint64>(pdf.size())) != static_cast<qint64>(pdf.size()) ||
        !out.commit()) {
        feedback.showFileMessage(kMessageReportNotWritten, PathToText(PathFromQString(file)));
        return;
    }
    // Where this computer has no PDF viewer the preview must not seem to do nothing.
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(file)))
        feedback.showNotice(FillIn(table.entry(kEntryNoProgramOpens),
                                   {PathToText(PathFromQString(QDir::toNativeSeparators(file)))}));
}

bool MakeSiteReport(QWidget* parent, const std::vector<ReportLogger>& loggers, Feedback& feedback,
                    const LanguageTable& table, const std::filesystem::path& userFolder) {
    if (loggers.empty()) {
        feedback.showMessage(kMessageReportWithoutLoggers);
        return false;
    }
    const std::filesystem::path file = UserSettings::FileIn(userFolder);
    ReportPeople people;
    {
        const UserSettings settings = UserSettings::Load(file);
        ReportDialog dialog(table, settings, parent);
        dialog.preview = [&](const ReportPeople& shown) {
            PreviewSiteReport(loggers, shown, table, feedback);
        };
        if (dialog.exec() != QDialog::Accepted) return false;
        people = dialog.people();
    }
    // Kept even when no file is chosen next: the person typed them.
    (void)UpdateUserSettings(file, [&](UserSettings& s) { RememberReportPeople(s, people); });
    // A proposed name, never a path: the separators a site name may hold become "_".
    std::string proposed = people.site.empty() ? loggers.front().logger.name : people.site;
    for (char& c : proposed)
        if (c == '/' || c == '\\' || c == ':') c = '_';
    // The report reads the loggers' files and the logo: it is never written over them.
    std::vector<std::string> inputs = {people.logoFile};
    for (const ReportLogger& l : loggers) inputs.push_back(l.logger.fileName);
    std::optional<std::string> chosen =
        feedback.chooseFile(FileRequest{FileRequest::SaveReport, {}, proposed + ".pdf", inputs});
    if (!chosen || chosen->empty()) return false;
    std::filesystem::path output = PathFromText(*chosen);
    if (output.extension() != ".pdf" && output.extension() != ".PDF") {
        // The dialog asked about the name chosen, not about the one with ".pdf" added.
        output += ".pdf";
        if (!MayWriteOutputAsking(feedback, output, inputs)) return false;
    }
    ReportOptions options;
    options.page = ReportPageFor(QLocale::system());
    if (WriteSiteReport(loggers, people, table, output, feedback, options) != kReportWritten)
        return false;
    feedback.fileWritten(PathToText(output));
    return true;
}

}  // namespace zv318
