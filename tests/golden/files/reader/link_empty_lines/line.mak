

a.pre


b.pre

