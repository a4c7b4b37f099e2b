// Stands in for the desktop's browser and file manager, which this machine does not have:
// installed with QDesktopServices::setUrlHandler(scheme, &catcher, "open").
#pragma once

#include <QList>
#include <QObject>
#include <QUrl>

namespace qv::test
{

class CUrlCatcher : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls << url; }
};

} // namespace qv::test
