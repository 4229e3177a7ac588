#ifndef NGMODEL_H
#define NGMODEL_H

#include <QByteArray>
#include <QString>

// A rejected hub: the station writes the model text "NG" for it instead of a
// model. Only that text counts; a model that merely starts with "NG" (or a
// blob of those bytes) is a model like any other, as the statistics' GROUP
// BY model and the pages' "model = 'NG'" see it.
class NgModel
{
public:
    static QString name();
    static bool matches(const QString& model);
    // The model column's UTF-8 text (not NUL-terminated).
    static bool matches(const char* text, int size);
    static bool matches(const QByteArray& text) { return matches(text.constData(), text.size()); }
};

#endif // NGMODEL_H
