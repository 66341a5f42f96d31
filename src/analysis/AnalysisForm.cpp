#include "analysis/AnalysisForm.h"

#include "analysis/AnalysisGraphs.h"
#include "analysis/AnalysisSession.h"

namespace quelvar {

struct TAnalysisForm::Impl {
    explicit Impl(AnalysisSession& s) : session(s), graphs(s.state()) {}
    AnalysisSession& session;
    AnalysisGraphs graphs;
};

TAnalysisForm::TAnalysisForm(AnalysisSession& session, QWidget* mainWindow)
    : QDialog(mainWindow), d(new Impl(session))
{
    setWindowTitle(QStringLiteral("Analysis"));
    session.setGraphs(&d->graphs);
}

TAnalysisForm::~TAnalysisForm()
{
    d->session.setGraphs(nullptr);
    delete d;
}

}  // namespace quelvar
