#include "shell/windows/menu_caption.h"

namespace zv318 {

QString WithMnemonic(const QString& text, QString& taken) {
    QString escaped = text;
    escaped.replace(QLatin1Char('&'), QLatin1String("&&"));
    for (int i = 0; i < escaped.size(); ++i) {
        QChar c = escaped.at(i);
        if (c == QLatin1Char('&')) {
            ++i;  // skip the doubled "&"
            continue;
        }
        if (!c.isLetterOrNumber()) continue;
        QChar key = c.toLower();
        if (taken.contains(key)) continue;
        taken.append(key);
        escaped.insert(i, QLatin1Char('&'));
        return escaped;
    }
    return escaped;
}

}  // namespace zv318
