#include "platform/qt/qt_dialogs.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>
#include <vector>

namespace orlant::qt {

namespace {

QMessageBox::Icon qtIcon(BoxIcon icon) {
    switch (icon) {
    case BoxIcon::Question:
        return QMessageBox::Question;
    case BoxIcon::Error:
        return QMessageBox::Critical;
    case BoxIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons qtButtons(BoxButtons buttons) {
    switch (buttons) {
    case BoxButtons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case BoxButtons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case BoxButtons::Ok:
        break;
    }
    return QMessageBox::Ok;
}

// A box closed some other way (the window ending under it) answers as its
// escape button would.
BoxAnswer answerFor(int result, BoxButtons buttons) {
    switch (result) {
    case QMessageBox::Ok:
        return BoxAnswer::Ok;
    case QMessageBox::Cancel:
        return BoxAnswer::Cancel;
    case QMessageBox::Yes:
        return BoxAnswer::Yes;
    case QMessageBox::No:
        return BoxAnswer::No;
    default:
        break;
    }
    return EscapeAnswer(buttons);
}

}  // namespace

BoxAnswer EscapeAnswer(BoxButtons buttons) {
    switch (buttons) {
    case BoxButtons::YesNo:
        return BoxAnswer::No;
    case BoxButtons::OkCancel:
        return BoxAnswer::Cancel;
    case BoxButtons::Ok:
        break;
    }
    return BoxAnswer::Ok;
}

BoxAnswer RunMessageBox(QWidget* owner, const std::string& text, const std::string& caption,
                        BoxButtons buttons, BoxIcon icon) {
    QMessageBox box(qtIcon(icon), QString::fromStdString(caption), QString::fromStdString(text),
                    qtButtons(buttons), owner);
    box.setTextFormat(Qt::PlainText);
    return answerFor(box.exec(), buttons);
}

std::optional<std::string> AskFileName(QWidget* owner, FileDialogKind kind,
                                       const std::string& title, const std::string& filter) {
    QString caption = QString::fromStdString(title);
    QString filters = QtFileFilter(filter);
    QString name = kind == FileDialogKind::Open
                       ? QFileDialog::getOpenFileName(owner, caption, QString(), filters)
                       : QFileDialog::getSaveFileName(owner, caption, QString(), filters);
    if (name.isEmpty()) return std::nullopt;
    return name.toStdString();
}

QString QtFileFilter(const std::string& filter) {
    if (filter.find('\0') == std::string::npos) return QString::fromStdString(filter);
    std::vector<std::string> parts;
    size_t start = 0;
    while (start < filter.size()) {
        size_t end = filter.find('\0', start);
        if (end == std::string::npos) end = filter.size();
        if (end == start) break;  // the empty string that ends the list
        parts.push_back(filter.substr(start, end - start));
        start = end + 1;
    }
    QStringList entries;
    for (size_t i = 0; i + 1 < parts.size(); i += 2) {
        // "*.*" means every file; Qt spells that "*".
        QString patterns = QString::fromStdString(parts[i + 1]).replace(';', ' ');
        patterns.replace(QStringLiteral("*.*"), QStringLiteral("*"));
        entries << QString::fromStdString(parts[i]) + QStringLiteral(" (") + patterns + ')';
    }
    return entries.join(QStringLiteral(";;"));
}

}  // namespace orlant::qt
