#ifndef FORMTEXTS_H
#define FORMTEXTS_H

#include <QString>

// The texts the main window and its forms hand each other. Stored books and the
// forms' signals rely on them, so they are spelled once, here.
namespace FormTexts {

// Mode of the entry form, and the kind of change it sends back.
inline QString addFlag() { return QStringLiteral("addnew"); }
inline QString editFlag() { return QStringLiteral("edit"); }
// Name of the setting row that holds the category list.
inline QString categorySetting() { return QStringLiteral("大类名称"); }

} // namespace FormTexts

#endif // FORMTEXTS_H
