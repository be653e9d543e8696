#pragma once
// Menu captions and their keyboard mnemonics. The language files mark each menu caption's key
// with "&" ("&File", "E&xit"), unique within its menu; a caption without one (a language file
// of an older version) gets the first free letter, so that every item stays reachable.

#include <QAction>
#include <QKeySequence>
#include <QShortcut>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>
#include <initializer_list>
#include <utility>

class QWidget;

namespace zv318 {

// The key a caption marks with "&" (lower case), or a null QChar when it marks none; "&&" is
// an "&" shown as written.
[[nodiscard]] inline QChar MnemonicOf(const QString& caption) {
    for (qsizetype i = 0; i + 1 < caption.size(); ++i) {
        if (caption.at(i) != QLatin1Char('&')) continue;
        if (caption.at(i + 1) != QLatin1Char('&')) return caption.at(i + 1).toLower();
        ++i;
    }
    return {};
}

// The caption as shown where no mnemonic belongs (a window title): without its marking "&".
[[nodiscard]] inline QString WithoutMnemonic(const QString& caption) {
    QString plain;
    plain.reserve(caption.size());
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption.at(i) == QLatin1Char('&') && i + 1 < caption.size()) ++i;
        plain.append(caption.at(i));
    }
    return plain;
}

// A text shown as written ("&" doubled: a file name) with the first letter or digit not yet in
// `taken` as its mnemonic; the key joins `taken`.
[[nodiscard]] inline QString AssignMnemonic(const QString& text, QString& taken) {
    QString escaped = text;
    escaped.replace(QLatin1Char('&'), QLatin1String("&&"));
    for (qsizetype i = 0; i < escaped.size(); ++i) {
        const QChar c = escaped.at(i);
        if (c == QLatin1Char('&')) {
            ++i;  // skip the doubled "&"
            continue;
        }
        if (!c.isLetterOrNumber() || taken.contains(c.toLower())) continue;
        taken.append(c.toLower());
        escaped.insert(i, QLatin1Char('&'));
        return escaped;
    }
    return escaped;
}

// The caption of an item of a menu whose keys so far are `taken`: its own mnemonic when it
// has one, else one assigned as above.
[[nodiscard]] inline QString WithMnemonic(const QString& caption, QString& taken) {
    if (const QChar own = MnemonicOf(caption); !own.isNull()) {
        taken.append(own);
        return caption;
    }
    return AssignMnemonic(caption, taken);
}

// The captions of one window's controls, each with a key of its own that `taken` (the menu
// bar's keys) does not have: its own mnemonic when the language file gives one that is free,
// else the first free letter or digit of it, except where taking that would leave a later
// caption with none while another choice gives every caption one. The keys join `taken`.
[[nodiscard]] inline QStringList WithMnemonics(const QStringList& captions, QString& taken) {
    const auto n = captions.size();
    std::vector<QString> plain(static_cast<std::size_t>(n)), choices(static_cast<std::size_t>(n));
    QString claimed;
    for (qsizetype i = 0; i < n; ++i) {
        const auto k = static_cast<std::size_t>(i);
        plain[k] = WithoutMnemonic(captions[i]);
        // The language file's own key, when free and no caption before claims it, is the
        // caption's key whatever the others need.
        if (const QChar own = MnemonicOf(captions[i]); !own.isNull() && !taken.contains(own) &&
                                                       !claimed.contains(own)) {
            claimed.append(own);
            choices[k].append(own);
            continue;
        }
        for (const QChar c : plain[k])
            if (c.isLetterOrNumber() && !taken.contains(c.toLower()) &&
                !choices[k].contains(c.toLower()))
                choices[k].append(c.toLower());
    }
    // Keys handed out so far, and to whom; a caption whose keys are all held asks their holders
    // to move on to another of theirs.
    std::vector<QChar> key(static_cast<std::size_t>(n));
    std::vector<std::pair<QChar, std::size_t>> holder;
    auto heldAt = [&holder](QChar c) {
        for (std::size_t h = 0; h < holder.size(); ++h)
            if (holder[h].first == c) return h;
        return holder.size();
    };
    std::function<bool(std::size_t, QString&)> give = [&](std::size_t who, QString& asked) {
        for (const QChar c : choices[who]) {
            if (asked.contains(c)) continue;
            asked.append(c);
            const std::size_t h = heldAt(c);
            if (h < holder.size() && !give(holder[h].second, asked)) continue;
            if (h < holder.size())
                holder[h].second = who;
            else
                holder.emplace_back(c, who);
            key[who] = c;
            return true;
        }
        return false;
    };
    for (std::size_t who = 0; who < static_cast<std::size_t>(n); ++who) {
        QString asked;
        (void)give(who, asked);
    }
    QStringList result;
    for (std::size_t who = 0; who < static_cast<std::size_t>(n); ++who) {
        if (key[who].isNull()) {
            QString escaped = plain[who];
            result << escaped.replace(QLatin1Char('&'), QLatin1String("&&"));
            continue;
        }
        taken.append(key[who]);
        QString none;  // the key is placed at its letter's first place in the caption
        for (const QChar c : plain[who])
            if (c.isLetterOrNumber() && c.toLower() != key[who]) none.append(c.toLower());
        result << AssignMnemonic(plain[who], none);
    }
    return result;
}

// Sets the captions of one menu's items (a menu's own caption is its menuAction()'s text),
// each with a key of its own.
inline void SetMenuCaptions(std::initializer_list<std::pair<QAction*, QString>> items) {
    QString taken;
    for (const auto& [action, text] : items) action->setText(WithMnemonic(text, taken));
}

// Sets the captions of the buttons of one window (or page), each with a key of its own that
// none of `taken` (the window's menu bar, the buttons set before) has; a template so that this
// header needs no widgets (`Button` is a QAbstractButton).
template <typename Button>
inline void SetButtonCaptions(QString& taken,
                              std::initializer_list<std::pair<Button*, QString>> items) {
    QStringList captions;
    for (const auto& item : items) captions << item.second;
    const QStringList keyed = WithMnemonics(captions, taken);
    qsizetype k = 0;
    for (const auto& item : items) item.first->setText(keyed[k++]);
}

// The keys of the main window's menu bar, in the language of `entry` (entries 1, 4, 5 and 7:
// "File", "Language", "Update", "Help"), which the buttons of its pages leave free.
template <typename Table>
[[nodiscard]] inline QString MainMenuKeys(const Table& table) {
    QString taken;
    for (int n : {1, 4, 5, 7}) (void)WithMnemonic(QString::fromStdString(table.entry(n)), taken);
    return taken;
}

// F10 opens a window's menu bar at its first menu, as on other desktops (a template so that
// this header needs no widgets: `Bar` is the window's QMenuBar).
template <typename Bar>
void OpenMenuBarWithF10(QWidget* window, Bar* bar) {
    auto* key = new QShortcut(QKeySequence(Qt::Key_F10), window);
    QObject::connect(key, &QShortcut::activated, bar, [bar] {
        if (!bar->actions().isEmpty()) bar->setActiveAction(bar->actions().first());
    });
}

}  // namespace zv318
