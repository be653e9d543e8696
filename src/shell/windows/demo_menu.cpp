#include "shell/windows/demo_menu.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include "shell/windows/tform1.h"

namespace zv318 {

namespace {

constexpr int kDemoMenuEntry = 1002;
constexpr int kUnplugEntry = 1003;
constexpr int kPlugEntry = 1004;

// A menu caption with its first character as the mnemonic; "&" in the text shows as written.
QString Caption(const std::string& text) {
    QString caption = QString::fromStdString(text);
    caption.replace(QLatin1Char('&'), QLatin1String("&&"));
    return caption.isEmpty() ? caption : QLatin1Char('&') + caption;
}

}  // namespace

QMenu* AddDemoMenu(TForm1& form, const DemoCable& cable) {
    QMenu* demo = form.MainMenu1->addMenu(QString());
    demo->setObjectName(QStringLiteral("DemoMenu"));
    QAction* plug = demo->addAction(QString());
    plug->setObjectName(QStringLiteral("DemoPlug"));
    auto captions = [&form, demo, plug, plugged = cable.plugged] {
        const LanguageTable& table = form.languageTable();
        demo->setTitle(Caption(table.entry(kDemoMenuEntry)));
        plug->setText(Caption(table.entry(plugged() ? kUnplugEntry : kPlugEntry)));
    };
    captions();
    QObject::connect(&form, &TForm1::translationApplied, demo, captions);
    QObject::connect(plug, &QAction::triggered, demo, [cable, captions] {
        cable.setPlugged(!cable.plugged());
        captions();
    });
    return demo;
}

}  // namespace zv318
