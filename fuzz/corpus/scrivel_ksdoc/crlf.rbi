<Kestrup>
<Application>
<DATE>
"31/2/2003"
</DATE>
<Version>8.10</Version>
</Application>
</Kestrup>
