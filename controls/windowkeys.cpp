#include "controls/windowkeys.h"

#include <QShortcut>
#include <QWidget>

namespace ql {

void CloseOnEscape(QWidget* window)
{
    auto* esc = new QShortcut(QKeySequence(Qt::Key_Escape), window);
    esc->setContext(Qt::WindowShortcut);
    QObject::connect(esc, &QShortcut::activated, window, &QWidget::close);
}

} // namespace ql
