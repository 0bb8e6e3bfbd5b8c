// Running the programs under test (tyxgeo, tyxgeo-viewer, xvfb-run) from the viewer tests.
#pragma once
#include <QProcess>
#include <QString>
#include <QStringList>

/// How a program ended: its exit code (-1 when it crashed or timed out) and what it wrote.
struct TRun {
    int Code = -1;
    QString Out, Err;
};

inline TRun RunProgram(const QString& Program, const QStringList& Args, int TimeoutMs = 120000)
{
    QProcess P;
    P.start(Program, Args);
    TRun R;
    if (!P.waitForFinished(TimeoutMs)) {
        P.kill();
        P.waitForFinished();
        R.Err = "timed out";
        return R;
    }
    R.Code = P.exitStatus() == QProcess::NormalExit ? P.exitCode() : -1;
    R.Out = QString::fromUtf8(P.readAllStandardOutput());
    R.Err = QString::fromUtf8(P.readAllStandardError());
    return R;
}
