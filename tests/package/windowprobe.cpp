// A Qt plugin for the package check: loaded into the installed program from
// outside (QT_QPA_GENERIC_PLUGINS), it reports every window the program
// shows and ends the program once the name window is open, or once a
// message box tells that start-up failed. The program itself is not changed.

#include <QApplication>
#include <QGenericPlugin>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>

#include <cstdio>

namespace {

class WindowWatch : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::Show || !watched->isWidgetType())
            return false;
        auto* widget = static_cast<QWidget*>(watched);
        if (!widget->isWindow())
            return false;
        auto* box = qobject_cast<QMessageBox*>(widget);
        std::printf("window: %s %s \"%s\"%s%s\n", widget->metaObject()->className(),
                    qPrintable(widget->objectName()), qPrintable(widget->windowTitle()),
                    box ? " text: " : "", box ? qPrintable(box->text() + u' ' + box->informativeText()) : "");
        std::fflush(stdout);
        if (widget->objectName() == QLatin1String("namesel"))
            QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
        else if (box)
            QTimer::singleShot(0, box, [box] { box->done(0); });
        return false;
    }
};

} // namespace

class WindowProbe : public QGenericPlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "windowprobe.json")

public:
    QObject* create(const QString& key, const QString&) override
    {
        if (key.compare(QLatin1String("soinsuuwindowprobe"), Qt::CaseInsensitive) != 0)
            return nullptr;
        // Qt deletes the objects its generic plugins create, so no parent.
        auto* watch = new WindowWatch;
        qApp->installEventFilter(watch);
        return watch;
    }
};

#include "windowprobe.moc"
