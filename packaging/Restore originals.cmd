@echo off
rem Puts a verified original in place of each bad stock file that has one,
rem keeping the bad files in a backup folder beside trawlex.exe: from the
rem folder or drive dropped on this file, or else from the CD and DVD drives.
"%~dp0trawlex.exe" --restore %*
