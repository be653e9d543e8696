// The cost of the link itself. Both benchmarks run the same two exchanges per iteration against
// the in-process simulator, a plan-count query and one channel query:
//   LinkRound       through the Link (SendQuery, GetChannel: framing, time-out bookkeeping,
//                   reply decoding);
//   TransportRound  the same prebuilt reports written and read straight on the transport.
// The difference, halved, is the link's own work per exchange.
//   TracedLinkRound LinkRound with the protocol trace on, kept in memory as the desktop program
//                   keeps it (a trace that is off wraps nothing: LinkRound is its figure).

#include <benchmark/benchmark.h>

#include "link/link.h"
#include "link/queries.h"
#include "link/trace.h"
#include "sim/bus.h"
#include "sim/instrument.h"

namespace {

using zv318::Link;
using zv318::Report;

void PerExchange(benchmark::State& state) {
    state.counters["exchange"] = benchmark::Counter(
        2.0, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void Rounds(benchmark::State& state, zv318::Bus& bus, zv318::sim::Instrument& instrument) {
    Link link(bus);
    if (!link.FindInstrument()) {
        state.SkipWithError("no instrument");
        return;
    }
    for (auto _ : state) {
        std::string count = link.SendQuery("*?PN");
        std::string channel = zv318::GetChannel(link, 0, 5);
        benchmark::DoNotOptimize(count);
        benchmark::DoNotOptimize(channel);
        instrument.clearReceived();
    }
    if (!link.IsOpen()) state.SkipWithError("the link lost the instrument");
    PerExchange(state);
}

void LinkRound(benchmark::State& state) {
    zv318::sim::Instrument instrument;
    zv318::sim::SimBus bus(instrument);
    Rounds(state, bus, instrument);
}
BENCHMARK(LinkRound);

void TracedLinkRound(benchmark::State& state) {
    zv318::sim::Instrument instrument;
    zv318::sim::SimBus simBus(instrument);
    zv318::Tracer tracer;
    zv318::TracingBus bus(simBus, tracer);
    Rounds(state, bus, instrument);
}
BENCHMARK(TracedLinkRound);

void TransportRound(benchmark::State& state) {
    zv318::sim::Instrument instrument;
    zv318::sim::SimBus bus(instrument);
    zv318::OpenResult opened = bus.open(bus.enumerate().at(0).path);
    if (!opened.transport) {
        state.SkipWithError("no instrument");
        return;
    }
    zv318::Transport& transport = *opened.transport;
    const Report count = *zv318::BuildTextReport(zv318::kCodeQuery, "*?PN");
    const Report channel = *zv318::BuildTextReport(zv318::kCodeQuery, "*?CF00005");
    for (auto _ : state) {
        bool ok = transport.write(count);
        std::optional<Report> a = transport.read(zv318::kDefaultTimeoutMs);
        ok = transport.write(channel) && ok;
        std::optional<Report> b = transport.read(zv318::kDefaultTimeoutMs);
        benchmark::DoNotOptimize(ok);
        benchmark::DoNotOptimize(a);
        benchmark::DoNotOptimize(b);
        instrument.clearReceived();
    }
    PerExchange(state);
}
BENCHMARK(TransportRound);

}  // namespace

BENCHMARK_MAIN();
