' The common idioms of a script that reads Outlook, as a user writes them:
' run by Wine's own script host (cscript.exe) through scripts/sim-run against
' tests/sim_run/late_bound_mailbox.json (tests/sim_run/sim_run_test.sh, case
' vbscript). Times are printed as numbers, so that the output does not depend
' on the date format of the locale.
Option Explicit

Function Stamp(moment)
  Stamp = Year(moment) & "-" & Right("0" & Month(moment), 2) & "-" & Right("0" & Day(moment), 2) _
    & " " & Right("0" & Hour(moment), 2) & ":" & Right("0" & Minute(moment), 2)
End Function

Dim outlook, session, store, folder, item, inbox, meeting, drafts
Set outlook = CreateObject("Outlook.Application")
Set session = outlook.GetNamespace("MAPI")
WScript.Echo "User: " & session.CurrentUser.Name

For Each store In session.Folders
  WScript.Echo "Store: " & store.Name
  For Each folder In store.Folders
    WScript.Echo "  " & folder.Name & " (" & folder.Items.Count & ")"
    For Each item In folder.Items
      WScript.Echo "    " & item.Subject
    Next
  Next
Next

Set inbox = session.GetDefaultFolder(6) ' olFolderInbox
WScript.Echo TypeName(inbox) & ": " & inbox.FolderPath

For Each item In outlook.ActiveExplorer.Selection
  WScript.Echo "Selected: " & item.Subject & " from " & item.SenderName & ", " & Stamp(item.ReceivedTime)
Next

Set meeting = session.GetDefaultFolder(9).Items.Item(1) ' olFolderCalendar
WScript.Echo "Meeting: " & meeting.Subject & " in " & meeting.Location & ", " & Stamp(meeting.Start) _
  & " to " & Stamp(meeting.End)

On Error Resume Next
Set drafts = session.GetDefaultFolder(16) ' olFolderDrafts: this store names none
WScript.Echo "Drafts: " & Hex(Err.Number) & " " & Err.Description
