# Ansible local fact for Windows (ansible_adreca, with the setup module's
# fact_path set to this file's folder): adreca-report's rows for this host,
# its exit status and the error, if any, that kept it from reporting. It never
# throws, so that the rows of a report that exits 1 are kept:
#   @{ exit_status = 1; error = $null; rows = @(...); agreement = @(...) }
# exit_status is the report's (0, 1, or 2 for a usage error), $null when it did
# not run; error is $null whenever the report printed its report.

$report = Join-Path -Path $env:ProgramFiles -ChildPath 'adreca-mac\adreca-report.exe'
# The report's slowest way ends its interpreter after 60 seconds.
$timeoutMilliseconds = 90000
$fact = @{ exit_status = $null; error = $null; rows = @(); agreement = $null }

function Get-ErrorText([string]$Prefix, [string]$Stderr) {
    if ($Stderr -and $Stderr.Trim()) { return "${Prefix}: $($Stderr.Trim())" }
    return $Prefix
}

try {
    if (-not (Test-Path -LiteralPath $report -PathType Leaf)) {
        $fact.error = "adreca-report is not installed ($report)"
        return $fact
    }
    # The report writes UTF-8; read it as such, whatever the console's code page.
    $start = New-Object -TypeName System.Diagnostics.ProcessStartInfo
    $start.FileName = $report
    $start.Arguments = '--format=json'
    $start.UseShellExecute = $false
    $start.CreateNoWindow = $true
    $start.RedirectStandardOutput = $true
    $start.RedirectStandardError = $true
    $start.StandardOutputEncoding = [System.Text.Encoding]::UTF8
    $start.StandardErrorEncoding = [System.Text.Encoding]::UTF8
    $process = [System.Diagnostics.Process]::Start($start)
    $stdout = $process.StandardOutput.ReadToEndAsync()
    $stderr = $process.StandardError.ReadToEndAsync()
    if (-not $process.WaitForExit($timeoutMilliseconds)) {
        $process.Kill()
        $fact.error = "adreca-report ran for more than $($timeoutMilliseconds / 1000) s and was ended"
        return $fact
    }
    $process.WaitForExit()
    $fact.exit_status = $process.ExitCode
    try {
        $parsed = $stdout.Result | ConvertFrom-Json
    }
    catch {
        $parsed = $null
    }
    if ($null -eq $parsed -or $null -eq $parsed.PSObject.Properties['rows']) {
        $fact.error = Get-ErrorText -Prefix "adreca-report (exit status $($process.ExitCode)) printed no JSON report" `
            -Stderr $stderr.Result
        return $fact
    }
    $fact.rows = @($parsed.rows)
    if ($null -ne $parsed.PSObject.Properties['agreement']) {
        $fact.agreement = @($parsed.agreement)
    }
}
catch {
    $fact.error = "the adreca fact failed: $($_.Exception.Message)"
}
return $fact
