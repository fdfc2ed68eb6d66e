// The member table of _TOVRAK_Protocol: every member in slot order with its
// name, kind and argument names. Types and passing come from the C++
// signature of the member, so the table and the class cannot disagree.
#include <algorithm>
#include <cctype>

#include "core/component/binding.hpp"
#include "tovrak/dispatch.hpp"

namespace tovrak {

namespace {

using P = TOVRAK_Protocol;

template <auto F>
Member row(int slot, std::string_view name, MemberKind kind,
           std::initializer_list<std::string_view> arg_names) {
  using B = core::Bind<F>;
  if (arg_names.size() != B::arity) throw std::logic_error("member table: argument names");
  return Member{slot, name, kind, B::args(arg_names), B::result, &B::call, MemberHelp(name)};
}

std::vector<Member> build() {
  // clang-format off
  return {
      row<&P::get_MeterCaption>(1, "MeterCaption", MemberKind::Get, {}),
      row<&P::get_Meter>(2, "Meter", MemberKind::Get, {}),
      row<&P::get_NBType>(3, "NBType", MemberKind::Get, {}),
      row<&P::SetNBType>(4, "SetNBType", MemberKind::Method, {"NBType"}),
      row<&P::PollLevels>(5, "PollLevels", MemberKind::Method, {}),
      row<&P::PollCurrVFO>(6, "PollCurrVFO", MemberKind::Method, {}),
      row<&P::put_StatusChange>(7, "StatusChange", MemberKind::Let, {"value"}),
      row<&P::get_StatusChange>(8, "StatusChange", MemberKind::Get, {}),
      row<&P::SetTuningStep>(9, "SetTuningStep", MemberKind::Method, {"Index"}),
      row<&P::put_AutoNF>(10, "AutoNF", MemberKind::Let, {"value"}),
      row<&P::putref_AutoNF>(11, "AutoNF", MemberKind::Set, {"value"}),
      row<&P::get_AutoNF>(12, "AutoNF", MemberKind::Get, {}),
      row<&P::get_IFShift>(13, "IFShift", MemberKind::Get, {}),
      row<&P::put_AutoPolling>(14, "AutoPolling", MemberKind::Let, {"value"}),
      row<&P::get_AutoPolling>(15, "AutoPolling", MemberKind::Get, {}),
      row<&P::SetRefresh>(16, "SetRefresh", MemberKind::Method, {}),
      row<&P::get_About>(17, "About", MemberKind::Get, {}),
      row<&P::get_ContourState>(18, "ContourState", MemberKind::Get, {}),
      row<&P::get_FullBK>(19, "FullBK", MemberKind::Get, {}),
      row<&P::get_CATAnswer>(20, "CATAnswer", MemberKind::Get, {}),
      row<&P::get_Sub_Mode>(21, "Sub_Mode", MemberKind::Get, {}),
      row<&P::SetRITClear>(22, "SetRITClear", MemberKind::Method, {}),
      row<&P::SetRIT>(23, "SetRIT", MemberKind::Method, {"Status", "Offset"}),
      row<&P::get_RITStatus>(24, "RITStatus", MemberKind::Get, {}),
      row<&P::get_RITOffset>(25, "RITOffset", MemberKind::Get, {}),
      row<&P::get_Range>(26, "Range", MemberKind::Get, {}),
      row<&P::get_RangeMax>(27, "RangeMax", MemberKind::Get, {}),
      row<&P::get_RangeMin>(28, "RangeMin", MemberKind::Get, {}),
      row<&P::SetCommand>(29, "SetCommand", MemberKind::Method, {"Format", "Sequence"}),
      row<&P::get_VFOB_Mode>(30, "VFOB_Mode", MemberKind::Get, {}),
      row<&P::get_VFOA_Mode>(31, "VFOA_Mode", MemberKind::Get, {}),
      row<&P::get_TuningStep>(32, "TuningStep", MemberKind::Get, {}),
      row<&P::SetCutFilter>(33, "SetCutFilter", MemberKind::Method, {"Low", "High", "Filter", "Mode"}),
      row<&P::get_HighCutFilter>(34, "HighCutFilter", MemberKind::Get, {"Filter", "Mode"}),
      row<&P::get_LowCutFilter>(35, "LowCutFilter", MemberKind::Get, {"Filter", "Mode"}),
      row<&P::get_AFLevel>(36, "AFLevel", MemberKind::Get, {"Receiver"}),
      row<&P::get_CKBuffer>(37, "CKBuffer", MemberKind::Get, {}),
      row<&P::get_SQLevel>(38, "SQLevel", MemberKind::Get, {"Receiver"}),
      row<&P::get_RFPower>(39, "RFPower", MemberKind::Get, {}),
      row<&P::get_RFLevel>(40, "RFLevel", MemberKind::Get, {"Receiver"}),
      row<&P::get_PTT>(41, "PTT", MemberKind::Get, {}),
      row<&P::get_PowerON>(42, "PowerON", MemberKind::Get, {}),
      row<&P::get_Shift>(43, "Shift", MemberKind::Get, {}),
      row<&P::get_DimLevel>(44, "DimLevel", MemberKind::Get, {}),
      row<&P::get_CAT>(45, "CAT", MemberKind::Get, {}),
      row<&P::get_Sub_Freq>(46, "Sub_Freq", MemberKind::Get, {}),
      row<&P::SetCAT>(47, "SetCAT", MemberKind::Method, {"CAT"}),
      row<&P::SetPowerON>(48, "SetPowerON", MemberKind::Method, {"State"}),
      row<&P::get_MemMode>(49, "MemMode", MemberKind::Get, {}),
      row<&P::get_Pitch>(50, "Pitch", MemberKind::Get, {}),
      row<&P::SetRFPower>(51, "SetRFPower", MemberKind::Method, {"Power"}),
      row<&P::SetPitch>(52, "SetPitch", MemberKind::Method, {"Pitch"}),
      row<&P::SetRFLevel>(53, "SetRFLevel", MemberKind::Method, {"Receiver", "Level"}),
      row<&P::get_Property>(54, "Property", MemberKind::Get, {"PropIndex"}),
      row<&P::SetData>(55, "SetData", MemberKind::Method, {"L1", "L2", "D", "s"}),
      row<&P::SetKeyerSpeed>(56, "SetKeyerSpeed", MemberKind::Method, {"KeyerSpeed"}),
      row<&P::get_KeyerSpeed>(57, "KeyerSpeed", MemberKind::Get, {}),
      row<&P::get_Comp>(58, "Comp", MemberKind::Get, {}),
      row<&P::SetVox>(59, "SetVox", MemberKind::Method, {"Vox"}),
      row<&P::get_Vox>(60, "Vox", MemberKind::Get, {}),
      row<&P::get_Band>(61, "Band", MemberKind::Get, {}),
      row<&P::get_Busy>(62, "Busy", MemberKind::Get, {}),
      row<&P::get_BK>(63, "BK", MemberKind::Get, {}),
      row<&P::get_MeterSW>(64, "MeterSW", MemberKind::Get, {}),
      row<&P::get_MonitorLevel>(65, "MonitorLevel", MemberKind::Get, {}),
      row<&P::get_MicGain>(66, "MicGain", MemberKind::Get, {}),
      row<&P::get_ProcLevel>(67, "ProcLevel", MemberKind::Get, {}),
      row<&P::get_Monitor>(68, "Monitor", MemberKind::Get, {}),
      row<&P::get_TXEQ>(69, "TXEQ", MemberKind::Get, {}),
      row<&P::get_BW>(70, "BW", MemberKind::Get, {}),
      row<&P::get_IFS>(71, "IFS", MemberKind::Get, {}),
      row<&P::get_FNotch>(72, "FNotch", MemberKind::Get, {}),
      row<&P::get_FContour>(73, "FContour", MemberKind::Get, {}),
      row<&P::get_KeyerWPM>(74, "KeyerWPM", MemberKind::Get, {}),
      row<&P::SetMonitor>(75, "SetMonitor", MemberKind::Method, {"P1", "P2"}),
      row<&P::SetTXEQ>(76, "SetTXEQ", MemberKind::Method, {"TXEQ"}),
      row<&P::SetComp>(77, "SetComp", MemberKind::Method, {"Comp"}),
      row<&P::SetBK>(78, "SetBK", MemberKind::Method, {"BK"}),
      row<&P::SetBKIn>(79, "SetBKIn", MemberKind::Method, {"BKIn"}),
      row<&P::SetMicGain>(80, "SetMicGain", MemberKind::Method, {"MG"}),
      row<&P::SetVoiceMessage>(81, "SetVoiceMessage", MemberKind::Method, {"MSG"}),
      row<&P::SetKeyerMessage>(82, "SetKeyerMessage", MemberKind::Method, {"LOAD", "MSG", "MESS"}),
      row<&P::SetSpot>(83, "SetSpot", MemberKind::Method, {"State"}),
      row<&P::SetMeterSW>(84, "SetMeterSW", MemberKind::Method, {"MS"}),
      row<&P::setTXW>(85, "setTXW", MemberKind::Method, {"State"}),
      row<&P::get_BKIn>(86, "BKIn", MemberKind::Get, {}),
      row<&P::SetAGC>(87, "SetAGC", MemberKind::Method, {"AGC"}),
      row<&P::get_AGC>(88, "AGC", MemberKind::Get, {}),
      row<&P::get_RFT>(89, "RFT", MemberKind::Get, {"Receiver"}),
      row<&P::SetRFT>(90, "SetRFT", MemberKind::Method, {"Receiver", "RFT"}),
      row<&P::SetAtt>(91, "SetAtt", MemberKind::Method, {"Att"}),
      row<&P::get_Att>(92, "Att", MemberKind::Get, {}),
      row<&P::SetPreAmp>(93, "SetPreAmp", MemberKind::Method, {"PreAmp"}),
      row<&P::get_PreAmp>(94, "PreAmp", MemberKind::Get, {}),
      row<&P::get_NR>(95, "NR", MemberKind::Get, {}),
      row<&P::get_NF>(96, "NF", MemberKind::Get, {}),
      row<&P::SetNB>(97, "SetNB", MemberKind::Method, {"NB"}),
      row<&P::get_NB>(98, "NB", MemberKind::Get, {}),
      row<&P::get_LockDial>(99, "LockDial", MemberKind::Get, {}),
      row<&P::get_Dual>(100, "Dual", MemberKind::Get, {}),
      row<&P::get_Antenna>(101, "Antenna", MemberKind::Get, {}),
      row<&P::SetDual>(102, "SetDual", MemberKind::Method, {"Dual"}),
      row<&P::SetFast>(103, "SetFast", MemberKind::Method, {"Fast"}),
      row<&P::SetLockDial>(104, "SetLockDial", MemberKind::Method, {"Dial"}),
      row<&P::SetScanning>(105, "SetScanning", MemberKind::Method, {"UpDown", "Step"}),
      row<&P::SetSQLevel>(106, "SetSQLevel", MemberKind::Method, {"Receiver", "Level"}),
      row<&P::SetAntenna>(107, "SetAntenna", MemberKind::Method, {"Antenna"}),
      row<&P::SetRPT>(108, "SetRPT", MemberKind::Method, {"Direction"}),
      row<&P::SetShift>(109, "SetShift", MemberKind::Method, {"Shift"}),
      row<&P::SetNF>(110, "SetNF", MemberKind::Method, {"NF"}),
      row<&P::SetAutoNF>(111, "SetAutoNF", MemberKind::Method, {"AutoNF"}),
      row<&P::SetNR>(112, "SetNR", MemberKind::Method, {"NR"}),
      row<&P::MClear>(113, "MClear", MemberKind::Method, {"Channel"}),
      row<&P::SetPTT>(114, "SetPTT", MemberKind::Method, {"PTT"}),
      row<&P::get_Fast>(115, "Fast", MemberKind::Get, {}),
      row<&P::SetDimLevel>(116, "SetDimLevel", MemberKind::Method, {"Level"}),
      row<&P::SetAeqB>(117, "SetAeqB", MemberKind::Method, {}),
      row<&P::SetAFLevel>(118, "SetAFLevel", MemberKind::Method, {"Receiver", "Level"}),
      row<&P::SetIFShift>(119, "SetIFShift", MemberKind::Method, {"Level"}),
      row<&P::SetTone>(120, "SetTone", MemberKind::Method, {"CTCSS", "DCS", "Enc", "Dec"}),
      row<&P::SetStartTuner>(121, "SetStartTuner", MemberKind::Method, {}),
      row<&P::SetTuner>(122, "SetTuner", MemberKind::Method, {"Tuner"}),
      row<&P::get_Tuner>(123, "Tuner", MemberKind::Get, {}),
      row<&P::get_CHLabel>(124, "CHLabel", MemberKind::Get, {}),
      row<&P::get_RPT>(125, "RPT", MemberKind::Get, {}),
      row<&P::get_Split>(126, "Split", MemberKind::Get, {}),
      row<&P::get_Dec>(127, "Dec", MemberKind::Get, {}),
      row<&P::get_Enc>(128, "Enc", MemberKind::Get, {}),
      row<&P::get_DCS>(129, "DCS", MemberKind::Get, {}),
      row<&P::get_CTCSS>(130, "CTCSS", MemberKind::Get, {}),
      row<&P::put_ChannelMin>(131, "ChannelMin", MemberKind::Let, {"value"}),
      row<&P::get_ChannelMin>(132, "ChannelMin", MemberKind::Get, {}),
      row<&P::put_ChannelMax>(133, "ChannelMax", MemberKind::Let, {"value"}),
      row<&P::put_CKBuffer>(134, "CKBuffer", MemberKind::Let, {"value"}),
      row<&P::get_ChannelMax>(135, "ChannelMax", MemberKind::Get, {}),
      row<&P::SetVFOM>(136, "SetVFOM", MemberKind::Method, {"Channel", "Info"}),
      row<&P::SetChannel>(137, "SetChannel", MemberKind::Method, {"Channel"}),
      row<&P::get_Channel>(138, "Channel", MemberKind::Get, {}),
      row<&P::get_Filter>(139, "Filter", MemberKind::Get, {}),
      row<&P::get_Reverse>(140, "Reverse", MemberKind::Get, {}),
      row<&P::get_SMeter>(141, "SMeter", MemberKind::Get, {}),
      row<&P::ValidFreq>(142, "ValidFreq", MemberKind::Method, {"Freq"}),
      row<&P::put_PortDTR>(143, "PortDTR", MemberKind::Let, {"value"}),
      row<&P::get_PortDTR>(144, "PortDTR", MemberKind::Get, {}),
      row<&P::put_PortRTS>(145, "PortRTS", MemberKind::Let, {"value"}),
      row<&P::get_PortRTS>(146, "PortRTS", MemberKind::Get, {}),
      row<&P::get_PortOpen>(147, "PortOpen", MemberKind::Get, {}),
      row<&P::get_VFOB_Freq>(148, "VFOB_Freq", MemberKind::Get, {}),
      row<&P::get_VFOA_Freq>(149, "VFOA_Freq", MemberKind::Get, {}),
      row<&P::SetPolling>(150, "SetPolling", MemberKind::Method, {"State"}),
      row<&P::SetSplit>(151, "SetSplit", MemberKind::Method, {"Split"}),
      row<&P::SetVFO>(152, "SetVFO", MemberKind::Method, {"VFO"}),
      row<&P::SetTX>(153, "SetTX", MemberKind::Method, {"Freq", "Mode"}),
      row<&P::SetFilter>(154, "SetFilter", MemberKind::Method, {"Filter", "Mode", "Reverse"}),
      row<&P::LPBT>(155, "LPBT", MemberKind::Method, {"i", "Mode"}),
      row<&P::SetMode>(156, "SetMode", MemberKind::Method, {"Mode", "Reverse"}),
      row<&P::SetFreq>(157, "SetFreq", MemberKind::Method, {"Freq"}),
      row<&P::SetBand>(158, "SetBand", MemberKind::Method, {"Band"}),
      row<&P::ReadBuffer>(159, "ReadBuffer", MemberKind::Method, {"Buffer", "Read"}),
      row<&P::get_VFO>(160, "VFO", MemberKind::Get, {}),
      row<&P::get_TX_Mode>(161, "TX_Mode", MemberKind::Get, {}),
      row<&P::get_Mode>(162, "Mode", MemberKind::Get, {}),
      row<&P::get_TX_Freq>(163, "TX_Freq", MemberKind::Get, {}),
      row<&P::get_Freq>(164, "Freq", MemberKind::Get, {}),
      row<&P::SetPort>(165, "SetPort", MemberKind::Method, {"PortOpen", "Address", "Code", "MSG"}),
      row<&P::put_PortSpeed>(166, "PortSpeed", MemberKind::Let, {"value"}),
      row<&P::get_PortSpeed>(167, "PortSpeed", MemberKind::Get, {}),
      row<&P::put_Port>(168, "Port", MemberKind::Let, {"value"}),
      row<&P::get_Port>(169, "Port", MemberKind::Get, {}),
      row<&P::SetContour>(170, "SetContour", MemberKind::Method, {"Param", "Value"}),
      row<&P::SetAexcB>(171, "SetAexcB", MemberKind::Method, {}),
      row<&P::get_RXAnt>(172, "RXAnt", MemberKind::Get, {}),
      row<&P::SetRXAnt>(173, "SetRXAnt", MemberKind::Method, {"State"}),
      row<&P::SetVFOB>(174, "SetVFOB", MemberKind::Method, {"Freq"}),
  };
  // clang-format on
}

bool same_name(std::string_view a, std::string_view b, bool exact) {
  if (a.size() != b.size()) return false;
  if (exact) return a == b;
  return std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) ==
           std::tolower(static_cast<unsigned char>(y));
  });
}

const Member* find_exactly(std::string_view name, MemberKind kind, bool exact) {
  for (const auto& m : Members()) {
    if (m.kind == kind && same_name(m.name, name, exact)) return &m;
  }
  return nullptr;
}

}  // namespace

const std::vector<Member>& Members() {
  static const std::vector<Member> table = build();
  return table;
}

const Member* FindMember(std::string_view name, MemberKind kind) {
  for (bool exact : {true, false}) {
    if (const Member* m = find_exactly(name, kind, exact)) return m;
    // A read finds a method with a result; a call finds a property read.
    if (kind == MemberKind::Get) {
      if (const Member* m = find_exactly(name, MemberKind::Method, exact)) return m;
    }
    if (kind == MemberKind::Method) {
      if (const Member* m = find_exactly(name, MemberKind::Get, exact)) return m;
    }
  }
  return nullptr;
}

Variant Invoke(TOVRAK_Protocol& target, std::string_view name, MemberKind kind,
               std::vector<Variant>& args) {
  const Member* m = FindMember(name, kind);
  if (!m) {
    bool exists = false;
    for (MemberKind k : {MemberKind::Get, MemberKind::Let, MemberKind::Set, MemberKind::Method}) {
      if (FindMember(name, k)) exists = true;
    }
    if (exists && kind == MemberKind::Let) {
      throw ComError(static_cast<int32_t>(0x80020003), 438,
                     "Object doesn't support this property or method: " + std::string(name) +
                         " cannot be assigned");
    }
    throw ComError::unknown_name(std::string(name));
  }
  return m->call(target, args);
}

std::string_view to_string(MemberKind kind) {
  switch (kind) {
    case MemberKind::Get:
      return "get";
    case MemberKind::Let:
      return "let";
    case MemberKind::Set:
      return "set";
    case MemberKind::Method:
      return "method";
  }
  return "?";
}

std::string_view to_string(ValueType type) {
  switch (type) {
    case ValueType::Void:
      return "void";
    case ValueType::Integer16:
      return "Integer16";
    case ValueType::Integer32:
      return "Integer32";
    case ValueType::Single:
      return "Single";
    case ValueType::Double:
      return "Double";
    case ValueType::Boolean:
      return "Boolean";
    case ValueType::String:
      return "String";
    case ValueType::Variant:
      return "VARIANT";
    case ValueType::Object:
      return "object";
  }
  return "?";
}

}  // namespace tovrak
