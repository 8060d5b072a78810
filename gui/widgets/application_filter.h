#pragma once
// An event filter on the whole application, installed once however often it is asked for:
// it is known by its object name among the application's children.

#include <QCoreApplication>
#include <QString>

template <typename Filter>
void installApplicationFilterOnce(const QString& name) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || app->findChild<QObject*>(name, Qt::FindDirectChildrenOnly)) return;
    auto* filter = new Filter(app);
    filter->setObjectName(name);
    app->installEventFilter(filter);
}
