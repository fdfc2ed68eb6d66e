' A scripting host's view of the component: what its members return, with
' the type the script sees, variables passed by reference coming back in the
' member's type, assignments, and refusals as the script errors they should
' be.
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

Set conn = CreateObject("TOVRAK_DLL.TOVRAK_Connector")
Set rig = conn.TOVRAK_Protocol
If Not (rig Is conn.TOVRAK_Protocol) Then Fail "the connector hands out one object"

' ---- one member of each type a script sees
Check "About", rig.About, "TOVRAK V1.2.3", "String"
Check "ChannelMax", rig.ChannelMax, 99, "Integer"
Check "RangeMin", rig.RangeMin, 0.03, "Double"
Check "PortRTS", rig.PortRTS, True, "Boolean"
Check "CTCSS", rig.CTCSS, 0, "Single"
Check "HighCutFilter(2, 10)", rig.HighCutFilter(2, 10), 0, "Integer"
Check "AFLevel(""1"")", rig.AFLevel("1"), 0, "Integer"
If Not IsEmpty(rig.AutoNF) Then Fail "AutoNF: " & TypeName(rig.AutoNF) & ", expected Empty"

' ---- arguments by reference come back in the member's type
Dim index, level
index = "16"
Check "Property(""16"")", rig.Property(index), 127, "Integer"
Check "the index after the call", index, 16, "Integer"
level = 0.6
Check "AFLevel(0.6), receiver 1", rig.AFLevel(level), 0, "Integer"
Check "a VARIANT argument after the call", level, 0.6, "Double"

' ---- assignments
rig.ChannelMin = "3"
Check "ChannelMin after assigning ""3""", rig.ChannelMin, 3, "Integer"
rig.AutoNF = 5
Check "AutoNF after assigning 5", rig.AutoNF, 5, "Integer"
Set rig.AutoNF = conn
If Not (rig.AutoNF Is conn) Then Fail "AutoNF keeps the object assigned with Set"
Set rig.AutoNF = Nothing

' ---- refusals, one a line: the statement, then the error it raised
' (Err.Number, and Err.Description unless "") against the one expected.
' (This script host has no Execute or Eval.)
Sub Expect(what, wantedNumber, wantedDescription)
  If Err.Number <> wantedNumber Then
    Fail what & ": error " & Err.Number & " (" & Err.Description & "), expected " & wantedNumber
  ElseIf wantedDescription <> "" And Err.Description <> wantedDescription Then
    Fail what & ": """ & Err.Description & """, expected """ & wantedDescription & """"
  End If
  Err.Clear
End Sub
Const kRange = "Subscript out of range"
On Error Resume Next
dummy = rig.AFLevel(2): Expect "AFLevel(2)", 9, kRange
dummy = rig.Property(-1): Expect "Property(-1)", 9, kRange
dummy = rig.HighCutFilter(3, 0): Expect "HighCutFilter(3, 0)", 9, kRange
dummy = rig.Property(): Expect "Property()", 450, ""
dummy = rig.Property(1, 2): Expect "Property(1, 2)", 450, ""
dummy = rig.Property("abc"): Expect "Property(""abc"")", 13, ""
rig.ChannelMax = 40000: Expect "ChannelMax = 40000", 6, ""
dummy = rig.Frequency: Expect "Frequency", 438, ""
rig.About = "x": Expect "About = ""x""", 438, ""
Err.Clear
On Error GoTo 0
Check "ChannelMax after the refused assignment", rig.ChannelMax, 99, "Integer"

WScript.Echo "DONE fails=" & fails
WScript.Quit fails
