#include "logs/TunerCells.h"

#include "correction/CorrectionCells.h"
#include "platform/NumberFormat.h"

#include <algorithm>

namespace tuner_cells {

namespace {
constexpr double FullScaleVolts = 5.0;
constexpr double CodeSpan = 255.0;
constexpr double CodeOfCell0 = 5.0;
// Codes per cell: 255 codes over 25 cells.
constexpr double CodesPerCell = CodeSpan / CellCount;

double voltsOfCode(double code)
{
    return code / CodeSpan * FullScaleVolts;
}
} // namespace

int ActiveCellForVolts(double mafVolts)
{
    return tuner::ActiveCell(mafVolts);
}

double CellCaptionVolts(int cell)
{
    return 0.1 + 0.2 * cell;
}

double CellLowerVolts(int cell)
{
    if (cell <= 0)
        return 0.0;
    return voltsOfCode(CodeOfCell0 + (cell - 0.5) * CodesPerCell);
}

double CellUpperVolts(int cell)
{
    if (cell >= LastCell)
        return FullScaleVolts;
    return voltsOfCode(CodeOfCell0 + (cell + 0.5) * CodesPerCell);
}

} // namespace tuner_cells
