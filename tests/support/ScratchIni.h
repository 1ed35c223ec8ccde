#pragma once
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

// A config.ini in a fresh temporary folder for each test function: the test
// class calls makeScratch() from init() and dropScratch() from cleanup().
class ScratchIni {
protected:
    void makeScratch()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_path = m_dir->filePath(QStringLiteral("config.ini"));
    }
    void dropScratch() { m_dir.reset(); }

    void put(const QByteArray &bytes)
    {
        QFile file(m_path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    QByteArray contents() const
    {
        QFile file(m_path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;
};
