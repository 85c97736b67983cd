// The program's own picture resources (button glyphs, the date edit's
// calendar symbol, the calendar dialog's arrows).
#ifndef QX_CONTROLS_PICTURES_H_
#define QX_CONTROLS_PICTURES_H_

#include <QPixmap>
#include <QString>

namespace controls {

// The picture called `name`, matched without regard to letter case
// ("eConfirma2", "ECONFIRMA2"); a null pixmap when there is none.
QPixmap loadPicture(const QString& name);

}  // namespace controls

#endif  // QX_CONTROLS_PICTURES_H_
