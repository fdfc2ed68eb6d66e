' A scripting host's view of a fresh component: every property of a new
' control object reads its start-up value with its type, arguments passed by
' reference come back in the member's type, and refusals arrive as the
' script errors they should be.
'
' Prints one line per failed check and ends with "DONE fails=N"; the exit
' code is N. (Some script hosts end with 0 after a script error, so the
' caller looks for the DONE line as well.)
Option Explicit

Dim fails, conn, rig, dummy
fails = 0

Sub Fail(what)
  fails = fails + 1
  WScript.Echo "FAIL " & what
End Sub

' The value and the type name of what a member returned.
Sub Check(what, actual, expected, wantedType)
  If TypeName(actual) <> wantedType Then
    Fail what & ": type " & TypeName(actual) & ", expected " & wantedType
  ElseIf actual <> expected Then
    Fail what & ": " & actual & ", expected " & expected
  End If
End Sub

' The error a statement raised (its number and description, read right after
' it under On Error Resume Next) against the one expected.
Sub CheckError(what, number, description, wantedNumber, wantedDescription)
  If number <> wantedNumber Then
    Fail what & ": error " & number & " (" & description & "), expected " & wantedNumber
  ElseIf wantedDescription <> "" And description <> wantedDescription Then
    Fail what & ": """ & description & """, expected """ & wantedDescription & """"
  End If
End Sub

Set conn = CreateObject("TOVRAK_DLL.TOVRAK_Connector")
Set rig = conn.TOVRAK_Protocol
If Not (rig Is conn.TOVRAK_Protocol) Then Fail "the connector hands out one object"

' ---- every property of a fresh object
Check "MeterCaption", rig.MeterCaption, "", "String"
Check "Meter", rig.Meter, 0, "Integer"
Check "NBType", rig.NBType, 1, "Integer"
Check "StatusChange", rig.StatusChange, False, "Boolean"
If Not IsEmpty(rig.AutoNF) Then Fail "AutoNF: " & TypeName(rig.AutoNF) & ", expected Empty"
Check "IFShift", rig.IFShift, 0, "Integer"
Check "AutoPolling", rig.AutoPolling, True, "Boolean"
Check "About", rig.About, "TOVRAK V1.2.3", "String"
Check "ContourState", rig.ContourState, 0, "Integer"
Check "FullBK", rig.FullBK, 0, "Integer"
Check "CATAnswer", rig.CATAnswer, "", "String"
Check "Sub_Mode", rig.Sub_Mode, 0, "Integer"
Check "RITStatus", rig.RITStatus, 0, "Integer"
Check "RITOffset", rig.RITOffset, 0, "Double"
Check "Range", rig.Range, 1, "Integer"
Check "RangeMax", rig.RangeMax, 60, "Double"
Check "RangeMin", rig.RangeMin, 0.03, "Double"
Check "VFOB_Mode", rig.VFOB_Mode, 0, "Integer"
Check "VFOA_Mode", rig.VFOA_Mode, 0, "Integer"
Check "TuningStep", rig.TuningStep, 0, "Integer"
Check "HighCutFilter(2, 10)", rig.HighCutFilter(2, 10), 0, "Integer"
Check "LowCutFilter(0, 0)", rig.LowCutFilter(0, 0), 0, "Integer"
Check "AFLevel(0)", rig.AFLevel(0), 0, "Integer"
Check "AFLevel(""1"")", rig.AFLevel("1"), 0, "Integer"
Check "CKBuffer", rig.CKBuffer, False, "Boolean"
Check "SQLevel(1)", rig.SQLevel(1), 0, "Integer"
Check "RFPower", rig.RFPower, 0, "Integer"
Check "RFLevel(0)", rig.RFLevel(0), 0, "Integer"
Check "PTT", rig.PTT, 0, "Integer"
Check "PowerON", rig.PowerON, -1, "Integer"
Check "Shift", rig.Shift, 0, "Integer"
Check "DimLevel", rig.DimLevel, 0, "Integer"
Check "CAT", rig.CAT, 0, "Integer"
Check "Sub_Freq", rig.Sub_Freq, 0, "Double"
Check "MemMode", rig.MemMode, 0, "Integer"
Check "Pitch", rig.Pitch, 0, "Integer"
Check "Property(16)", rig.Property(16), 127, "Integer"
Check "Property(45)", rig.Property(45), 0, "Integer"
Check "Property(100)", rig.Property(100), 0, "Integer"
Check "KeyerSpeed", rig.KeyerSpeed, 0, "Integer"
Check "Comp", rig.Comp, 0, "Integer"
Check "Vox", rig.Vox, 0, "Integer"
Check "Band", rig.Band, 0, "Integer"
Check "Busy", rig.Busy, 0, "Integer"
Check "BK", rig.BK, 0, "Integer"
Check "MeterSW", rig.MeterSW, 0, "Integer"
Check "MonitorLevel", rig.MonitorLevel, 0, "Integer"
Check "MicGain", rig.MicGain, 0, "Integer"
Check "ProcLevel", rig.ProcLevel, 0, "Integer"
Check "Monitor", rig.Monitor, 0, "Integer"
Check "TXEQ", rig.TXEQ, 0, "Integer"
Check "BW", rig.BW, 0, "Integer"
Check "IFS", rig.IFS, 0, "Integer"
Check "FNotch", rig.FNotch, 0, "Integer"
Check "FContour", rig.FContour, 0, "Integer"
Check "KeyerWPM", rig.KeyerWPM, 0, "Integer"
Check "BKIn", rig.BKIn, 0, "Integer"
Check "AGC", rig.AGC, 0, "Integer"
Check "RFT(0)", rig.RFT(0), 0, "Integer"
Check "Att", rig.Att, 0, "Integer"
Check "PreAmp", rig.PreAmp, 0, "Integer"
Check "NR", rig.NR, 0, "Integer"
Check "NF", rig.NF, 0, "Integer"
Check "NB", rig.NB, 0, "Integer"
Check "LockDial", rig.LockDial, 0, "Integer"
Check "Dual", rig.Dual, 0, "Integer"
Check "Antenna", rig.Antenna, 0, "Integer"
Check "Fast", rig.Fast, 0, "Integer"
Check "Tuner", rig.Tuner, 0, "Integer"
Check "CHLabel", rig.CHLabel, "", "String"
Check "RPT", rig.RPT, 0, "Integer"
Check "Split", rig.Split, 0, "Integer"
Check "Dec", rig.Dec, 0, "Integer"
Check "Enc", rig.Enc, 0, "Integer"
Check "DCS", rig.DCS, 0, "Integer"
Check "CTCSS", rig.CTCSS, 0, "Single"
Check "ChannelMin", rig.ChannelMin, 1, "Integer"
Check "ChannelMax", rig.ChannelMax, 99, "Integer"
Check "Channel", rig.Channel, 1, "Integer"
Check "Filter", rig.Filter, 0, "Integer"
Check "Reverse", rig.Reverse, 0, "Integer"
Check "SMeter", rig.SMeter, 0, "Integer"
Check "PortDTR", rig.PortDTR, False, "Boolean"
Check "PortRTS", rig.PortRTS, True, "Boolean"
Check "PortOpen", rig.PortOpen, False, "Boolean"
Check "VFOB_Freq", rig.VFOB_Freq, 0, "Double"
Check "VFOA_Freq", rig.VFOA_Freq, 0, "Double"
Check "VFO", rig.VFO, 0, "Double"
Check "TX_Mode", rig.TX_Mode, 0, "Integer"
Check "Mode", rig.Mode, 0, "Integer"
Check "TX_Freq", rig.TX_Freq, 0, "Double"
Check "Freq", rig.Freq, 0, "Double"
Check "PortSpeed", rig.PortSpeed, "", "String"
Check "Port", rig.Port, 0, "Integer"
Check "RXAnt", rig.RXAnt, 0, "Integer"

' ---- arguments by reference come back in the member's type
Dim index, level
index = "16"
Check "Property(""16"")", rig.Property(index), 127, "Integer"
Check "the index after the call", index, 16, "Integer"
level = 0.6
Check "AFLevel(0.6), receiver 1", rig.AFLevel(level), 0, "Integer"
Check "a VARIANT argument after the call", level, 0.6, "Double"

' ---- assignments
rig.ChannelMax = 250
Check "ChannelMax after assigning 250", rig.ChannelMax, 250, "Integer"
rig.ChannelMin = "3"
Check "ChannelMin after assigning ""3""", rig.ChannelMin, 3, "Integer"
rig.AutoPolling = False
Check "AutoPolling after assigning False", rig.AutoPolling, False, "Boolean"
rig.AutoNF = 5
Check "AutoNF after assigning 5", rig.AutoNF, 5, "Integer"
Set rig.AutoNF = conn
If Not (rig.AutoNF Is conn) Then Fail "AutoNF keeps the object assigned with Set"
Set rig.AutoNF = Nothing

' ---- SetPort reports a port that cannot open in MSG
Dim ok, address, code, msg
msg = "left over"
ok = rig.SetPort(False, address, code, msg)
Check "SetPort False on a closed port", ok, True, "Boolean"
Check "MSG after closing", msg, "", "String"
rig.Port = 9
rig.PortSpeed = "9600"
Check "PortSpeed", rig.PortSpeed, "9600", "String"
ok = rig.SetPort(True, address, code, msg)
Check "SetPort True on a port that is not there", ok, False, "Boolean"
If InStr(msg, "COM9") = 0 Then Fail "MSG names the port: " & msg
Check "PortOpen after the failure", rig.PortOpen, False, "Boolean"

' ---- refusals
Const kRange = "Subscript out of range"
On Error Resume Next
Err.Clear: dummy = rig.AFLevel(2)
CheckError "AFLevel(2)", Err.Number, Err.Description, 9, kRange
Err.Clear: dummy = rig.AFLevel(-1)
CheckError "AFLevel(-1)", Err.Number, Err.Description, 9, kRange
Err.Clear: dummy = rig.Property(101)
CheckError "Property(101)", Err.Number, Err.Description, 9, kRange
Err.Clear: dummy = rig.Property(-1)
CheckError "Property(-1)", Err.Number, Err.Description, 9, kRange
Err.Clear: dummy = rig.HighCutFilter(3, 0)
CheckError "HighCutFilter(3, 0)", Err.Number, Err.Description, 9, kRange
Err.Clear: dummy = rig.Property()
CheckError "Property()", Err.Number, Err.Description, 450, ""
Err.Clear: dummy = rig.Property(1, 2)
CheckError "Property(1, 2)", Err.Number, Err.Description, 450, ""
Err.Clear: dummy = rig.Property("abc")
CheckError "Property(""abc"")", Err.Number, Err.Description, 13, ""
Err.Clear: rig.ChannelMax = 40000
CheckError "ChannelMax = 40000", Err.Number, Err.Description, 6, ""
Err.Clear: dummy = rig.Frequency
CheckError "Frequency", Err.Number, Err.Description, 438, ""
Err.Clear: rig.About = "x"
CheckError "About = ""x""", Err.Number, Err.Description, 438, ""
Err.Clear
On Error GoTo 0
Check "ChannelMax after the refused assignment", rig.ChannelMax, 250, "Integer"

WScript.Echo "DONE fails=" & fails
WScript.Quit fails
