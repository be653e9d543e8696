#include "shell/windows/demo_menu.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include "shell/windows/tform1.h"
#include "texts/menu_caption.h"

namespace zv318 {

namespace {

constexpr int kDemoMenuEntry = 1002;
constexpr int kUnplugEntry = 1003;
constexpr int kPlugEntry = 1004;

// A menu caption with its mnemonic (the only item of its menu).
QString Caption(const std::string& text) {
    QString taken;
    return WithMnemonic(QString::fromStdString(text), taken);
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
