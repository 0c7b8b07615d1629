#include "pipeline/checks/LoudnessFit.h"

#include <algorithm>

namespace {

void InsertInOrder(std::vector<int> &files, int file)
{
    const auto at = std::lower_bound(files.begin(), files.end(), file);
    if (at == files.end() || *at != file)
        files.insert(at, file);
}

} // namespace

void AddLoudnessFits(FitDecision &fit, const std::vector<SourceFacts> &facts,
                     const std::vector<double> &gains)
{
    for (size_t i = 0; i < gains.size() && i < facts.size(); ++i) {
        if (gains[i] == 0)
            continue;
        const int file = int(i);
        fit.evened.push_back(file);
        if (std::find(fit.convert.begin(), fit.convert.end(), file) != fit.convert.end())
            continue;
        InsertInOrder(fit.convert, file);
        InsertInOrder(fit.soundOnly, file);
    }
    if (fit.evened.empty() || !fit.settings.isEmpty() || !fit.refusals.isEmpty())
        return;
    if (fit.kept < 0) {
        fit.refusals << QStringLiteral("no file can be read");
        return;
    }
    QString why;
    fit.settings = FitSettingsFor(facts[size_t(fit.kept)], &why);
    if (!why.isEmpty())
        fit.refusals << why;
}
