#ifndef PAGEFIXTURE_H
#define PAGEFIXTURE_H

// The page tests' name for the station fixture.

#include "apppaths.h"
#include "detectdatadb.h"
#include "hxreport.h"
#include "stationfixture.h"

#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using PageFixture = StationFixture;

#endif // PAGEFIXTURE_H
