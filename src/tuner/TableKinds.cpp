#include "tuner/TableKinds.h"

#include "link/Commands.h"
#include "link/RegisterMap.h"

namespace tuner {

namespace {

constexpr TableKind Kinds[TableKindCount] = {
    {cmd::OpenLoopTune1, "TUNE 1", true, cmd::InjectorsOL, cmd::EecInjectorsOL},
    {cmd::ClosedLoopTune1, "CLOSED-LOOP 1", false, cmd::Injectors, cmd::EecInjectors},
    {cmd::OpenLoopTune2, "TUNE 2", true, cmd::InjectorsOLBank2, cmd::EecInjectorsOLBank2},
    {cmd::ClosedLoopTune2, "CLOSED-LOOP 2", false, cmd::InjectorsBank2, cmd::EecInjectorsBank2},
};

constexpr int Sizes[InjectorSizeCount] = {16, 19, 24, 30, 36, 39, 42, 48, 50, 55, 62, 72, 83, 93};

} // namespace

const TableKind& TableKindAt(int index)
{
    return Kinds[index >= 0 && index < TableKindCount ? index : 0];
}

int TableIndexOf(char letter)
{
    for (int i = 0; i < TableKindCount; ++i)
        if (Kinds[i].letter == letter)
            return i;
    return -1;
}

QStringList InjectorListItems()
{
    QStringList items;
    for (const int size : Sizes)
        items << InjectorSizeText(size);
    items << QStringLiteral("<Select>");
    return items;
}

QString InjectorSizeText(int size)
{
    return QStringLiteral("%1lb/hr").arg(size);
}

int InjectorSizeAt(int index)
{
    return index >= 0 && index < InjectorSizeCount ? Sizes[index] : 0;
}

InjectorChoice InjectorChoiceFor(int byte)
{
    if (byte == 0)
        byte = register_map::DefaultInjectorSize;
    for (int i = 0; i < InjectorSizeCount; ++i)
        if (Sizes[i] == byte)
            return {i, byte};
    return {NotListed, byte};
}

} // namespace tuner
