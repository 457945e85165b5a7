#include "batch/sweep.h"

#include "display/trendfeed.h"
#include "protocol/commandinputs.h"
#include "protocol/frame.h"

Sweep::Sweep(LineQueue &queue, const LineDevice &reference, const ReferenceMap &map,
             const QVector<LineDevice> &devices, const QVector<int> &asked)
    : fields(ReferenceReading::fields(map))
    , reads(RegisterRead::plan(fields))
    , map(map)
    , referenceAnswers(reads.size())
{
    for (int r = 0; r < reads.size(); ++r) {
        queue.add(*reference.master, reads.at(r).request(reference.address),
                  [this, r](const Master::Answer &answer) {
                      if (answer.result == Master::Result::Answered)
                          referenceAnswers[r] = answer.registers;
                  });
    }
    // The readings as the check polls them: every quantity, in hundredths.
    const CommandInputs::PollRequest poll =
        CommandInputs::pollRequest(Readings::Scale::Hundredths, 0);
    for (const int t : asked) {
        const LineDevice &device = devices.at(t);
        const int slot = transmitters.size();
        transmitters.append({t, std::nullopt});
        queue.add(*device.master,
                  Modbus::readRequest(device.address, poll.firstRegister, poll.count),
                  [this, slot, device](const Master::Answer &answer) {
                      if (answer.result == Master::Result::Answered)
                          transmitters[slot].second =
                              TrendFeed::fromReply(answer.reply, device.address, QString()).values;
                  });
    }
}

RunLogic::Sweep Sweep::readings(qint64 timeMs) const
{
    RunLogic::Sweep sweep;
    sweep.timeMs = timeMs;
    const ReferenceReading reference =
        ReferenceReading::fromValues(map, RegisterRead::values(fields, reads, referenceAnswers));
    if (reference.isComplete())
        sweep.reference = reference;
    sweep.transmitters = transmitters;
    return sweep;
}
