#include "link/queries.h"

#include <cstdio>

namespace zv318 {

namespace {

// Sends a code-25 query and takes its value from byte 8, cut at the carriage return.
std::string QueryValueOf(Link& link, const std::string& command) {
    std::optional<Report> out = BuildTextReport(kCodeQuery, command);
    if (!out) return {};
    std::optional<Report> in = link.Exchange(*out);
    return in ? QueryValue(*in, kValueOffset) : std::string{};
}

}  // namespace

std::string GetIOVersion(Link& link) {
    std::optional<Report> in = link.Exchange(BuildIOVersionReport());
    return in ? TextFrom(*in, kStatusByte) : std::string{};
}

std::string ZVVersionFromValue(const std::string& value) {
    // "ZV-318" followed directly by the version: the text from byte 14.
    if (value.starts_with("ZV-318")) return value.substr(6);
    // " BOOT": the instrument runs its boot loader; the text from byte 9.
    if (value.starts_with(" BOOT")) return value.substr(1);
    return value;
}

std::string GetZVVersion(Link& link) { return ZVVersionFromValue(QueryValueOf(link, "*?VE")); }

std::string GetSerial(Link& link) { return QueryValueOf(link, "*?NS"); }

std::string GetSerialForRecords(Link& link) {
    std::string serial = GetSerial(link);
    while (!serial.empty() && (serial.back() == ' ' || serial.back() == '\r')) serial.pop_back();
    return serial;
}

std::optional<InstrumentIdentity> QueryInstrumentIdentity(Link& link) {
    InstrumentIdentity identity;
    identity.serial = GetSerialForRecords(link);
    if (identity.serial.empty()) return std::nullopt;
    identity.model = link.ProductName();
    identity.ioVersion = GetIOVersion(link);
    identity.instrumentVersion = GetZVVersion(link);
    return identity;
}

std::int32_t GetChannelPlanQuantity(Link& link) { return AtoL(QueryValueOf(link, "*?PN")); }

std::string ChannelPlanNameCommand(int plan) { return "*?CS0" + std::to_string(plan); }

std::string ChannelQuantityCommand(int plan) { return "*?CU" + std::to_string(plan); }

std::string ChannelCommand(int plan, int channel) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "*?CF%02d%03d", plan, channel);
    return buf;
}

std::string GetChannelPlanName(Link& link, int plan) {
    if (plan > 9 || plan < 0) return "error";
    return QueryValueOf(link, ChannelPlanNameCommand(plan));
}

std::int32_t GetChannelQuantity(Link& link, int plan) {
    return AtoL(QueryValueOf(link, ChannelQuantityCommand(plan)));
}

std::string GetChannel(Link& link, int plan, int channel) {
    if (plan < 0 || plan > 99 || channel < 0 || channel > 999) {
        link.ShowMessage(12);
        return "error";
    }
    return QueryValueOf(link, ChannelCommand(plan, channel));
}

}  // namespace zv318
