#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <array>

// What the unit keeps across power cycles: the four correction tables
// (O, C, H, L), the MAF transfer function F, the twenty configuration
// registers 00 to 13 and the stage code. A new memory holds the factory
// contents.
class VentrixMemory {
public:
    static constexpr int TableSize = 256;
    static constexpr int RegisterCount = 0x14;
    static constexpr char TableLetters[] = {'O', 'C', 'H', 'L', 'F'};
    static constexpr int PlusStageCode = 2;
    static constexpr int BaseStageCode = 1;

    VentrixMemory();

    static bool IsTable(char letter);

    // Cells and registers are bytes 0 to 255; a value outside is reduced to
    // its low byte. The letter must be one of TableLetters and the address
    // and register numbers in range.
    int cell(char table, int address) const;
    void setCell(char table, int address, int value);
    int registerValue(int number) const;
    void setRegister(int number, int value);

    int stageCode() const { return stageCode_; }
    void setStageCode(int code) { stageCode_ = code & 0xFF; }
    // Plus units report 0 or 2, base units 1 or 3.
    bool isPlusStage() const { return stageCode_ == 0 || stageCode_ == 2; }

    // The transfer function's flow of one cell in kg/hr: the byte times the
    // scale of its address range (1, 2 or 4).
    int transferFlow(int address) const;
    static int TransferScale(int address);

    // A small text form, one line per register and per row of 16 cells.
    // Reading starts from the factory contents, so a partial file sets only
    // what it names; on failure the memory is left unchanged.
    QByteArray toText() const;
    bool fromText(const QByteArray& text, QString* error);

    // Saving replaces the file atomically. Loading a file that does not
    // exist fails like any other unreadable file; callers that treat a
    // missing file as "start from the factory" check for it first.
    bool save(const QString& path, QString* error) const;
    bool load(const QString& path, QString* error);

    bool operator==(const VentrixMemory&) const = default;

private:
    static int tableIndex(char letter);

    std::array<std::array<quint8, TableSize>, 5> tables_{};
    std::array<quint8, RegisterCount> registers_{};
    int stageCode_ = PlusStageCode;
};
