#pragma once
// Every text the windows show (captions, titles, tab texts, tooltips, list
// items, placeholders, dynamic chart titles), keyed by window, object and
// property, to compare the windows before and after a translation pass.

#include <QMap>
#include <QString>

#include <string>

using TextSnapshot = QMap<QString, QString>;

TextSnapshot SnapshotTexts();

// "FRM_Alv/MNU_Fichier#caption": the snapshot key of an object's text.
QString SnapshotKey(const QString& window, const QString& object, const char* what);

// The keys whose texts differ, with both texts, for readable failures.
std::string SnapshotDiff(const TextSnapshot& a, const TextSnapshot& b);
