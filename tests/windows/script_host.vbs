' A scripting host's view of the component through the script engine's own
' calls: the types a script sees, a variable passed by reference coming back
' in the member's type, assignments, refusals as script errors. Prints a line
' per failed check and ends with "DONE fails=N"; the exit code is N.
Option Explicit

Dim fails, conn, rig, dummy, index, level
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

' The error the statement before raised (this host has no Execute or Eval
' to run statements from a table).
Sub Expect(what, wantedNumber, wantedDescription)
  If Err.Number <> wantedNumber Or Err.Description <> wantedDescription Then
    Fail what & ": error " & Err.Number & " (" & Err.Description & "), expected " & wantedNumber
  End If
  Err.Clear
End Sub

Set conn = CreateObject("TOVRAK_DLL.TOVRAK_Connector")
Set rig = conn.TOVRAK_Protocol
Check "CTCSS", rig.CTCSS, 0, "Single"
If Not IsEmpty(rig.AutoNF) Then Fail "AutoNF: " & TypeName(rig.AutoNF) & ", expected Empty"

index = "16"
Check "Property(""16"")", rig.Property(index), 127, "Integer"
Check "the index after the call", index, 16, "Integer"
level = 0.6
Check "AFLevel(0.6), receiver 1", rig.AFLevel(level), 0, "Integer"
Check "a VARIANT argument after the call", level, 0.6, "Double"

rig.ChannelMin = "3"
Check "ChannelMin after assigning ""3""", rig.ChannelMin, 3, "Integer"
Set rig.AutoNF = conn
If Not (rig.AutoNF Is conn) Then Fail "AutoNF keeps the object assigned with Set"
Set rig.AutoNF = Nothing

On Error Resume Next
dummy = rig.AFLevel(2): Expect "AFLevel(2)", 9, "Subscript out of range"
dummy = rig.Property("abc"): Expect "Property(""abc"")", 13, "Type mismatch"
rig.ChannelMax = 40000: Expect "ChannelMax = 40000", 6, "Overflow"
On Error GoTo 0
Check "ChannelMax after the refused assignment", rig.ChannelMax, 99, "Integer"

WScript.Echo "DONE fails=" & fails
WScript.Quit fails
