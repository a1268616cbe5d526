#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// How the self-test command "T" ends.
enum class SelfTestOutcome { Pass, Fail, Silent };

// Misbehaviour of the simulated unit, chosen per run or per test and
// changeable at any time (the unit reads it afresh for every request). The
// defaults describe a unit in perfect health.
struct SimFaults {
    bool silent = false;                              // "silent": hears everything, answers nothing
    int dropEvery = 0;                                // "drop-every=N": no reply to requests N, 2N, ...
    bool negativeAll = false;                         // "negative": every request refused ("uu01$")
    QStringList negativeCommands;                     // "negative=RT,W": these commands refused
    QByteArray strayBefore;                           // "stray[=C]": sent ahead of every reply
    QByteArray junkAfter;                             // "junk[=TEXT]": sent after every reply's "$"
    int splitInto = 1;                                // "split[=N]": each reply in N pieces, read apart
    int delayMs = 0;                                  // "delay=MS": each reply this much later
    int busyProbes = 0;                               // "busy-probes[=N]": the first N probes answer 02
    bool refuseWrites = false;                        // "refuse-writes": W, WT and S refused, memory kept
    bool wrongEcho = false;                           // "wrong-echo": writes store and echo the value
                                                      //   with its lowest bit flipped
    SelfTestOutcome selfTest = SelfTestOutcome::Pass; // "self-test=pass|fail|silent"
    int lateRequest = 0;                              // "late=N[:MS]": the reply to request N alone
    int lateByMs = 1500;                              //   comes MS (default 1500) milliseconds late
    bool otherAddress = false;                        // "other-address": replies to R, W and S name the
                                                      //   cell after the one asked for (R: with its value)
    int lateAloneRequest = 0;                         // "late-alone=N[:MS]": the reply to request N alone
    int lateAloneMs = 3500;                           //   comes MS (default 3500) ms late; the replies
                                                      //   to the requests after it go out meanwhile
    bool otherRegister = false;                       // "other-register": replies to RT name the register
                                                      //   after the one asked for, with its value
    bool previousReply = false;                       // "previous-reply": each request gets the reply meant
                                                      //   for the one before it (the first gets none)
    int inDataEvery = 0;                              // "in-data=N[:TEXT]": TEXT (default a NUL) in the
    QByteArray inData;                                //   middle of the data of every Nth positive reply
    QStringList shortCommands;                        // "short[=CMD,...]": replies to these commands
    bool shortAll = false;                            //   (default every one) keep only their first
                                                      //   data character
    int vanishAfter = -1;                             // "vanish[=N]": gone after N requests (-1 never);
                                                      //   from then on it hears and answers nothing
    bool vanishPortError = false;                     // "vanish-port-error": once gone, the port
                                                      //   reports the hardware missing
    int unplugAfter = -1;                             // "unplug=N[:MS]": after N requests the unit's
    int unplugMs = 5000;                              //   port is pulled out for MS (default 5000) ms:
                                                      //   no such port, and an open one fails; then
                                                      //   it is back, the unit as it was
    int replugPort = 0;                               // "replug-port=P": it comes back as port P
                                                      //   (its old number gone), 0 the same port

    // Applies one "NAME" or "NAME=VALUE" from the list above. Returns false
    // and says why for an unknown name or a bad value.
    bool apply(const QString& nameValue, QString* error);

    // One line per fault name, for help texts.
    static QString Help();
};
