@echo off
rem Puts back the files of the last restore.
"%~dp0trawlex.exe" --undo
