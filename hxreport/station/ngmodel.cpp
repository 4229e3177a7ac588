#include "ngmodel.h"

#include <cstring>

namespace {
const char Ng[] = "NG";
const int NgSize = int(sizeof(Ng)) - 1;
}

QString NgModel::name()
{
    return QStringLiteral("NG");
}

bool NgModel::matches(const QString& model)
{
    return model == QLatin1String(Ng, NgSize);
}

bool NgModel::matches(const char* text, int size)
{
    return size == NgSize && text && std::memcmp(text, Ng, NgSize) == 0;
}
