part.pre

part.pre

part.pre

part.pre

part.pre

part.pre

part.pre

part.pre

part.pre

part.pre

part.pre

part.pre

part.pre

part.pre

part.pre

part.pre

part.pre

part.pre

part.pre

part.pre

part.pre

part.pre

part.pre

part.pre

part.pre

part.pre

part.pre

part.pre

part.pre

part.pre

part.pre

part.pre

part.pre

part.pre

part.pre

part.pre

part.pre

part.pre

part.pre

part.pre

part.pre

part.pre

part.pre

part.pre

part.pre

part.pre

part.pre

part.pre

part.pre

part.pre

part.pre

part.pre

part.pre

part.pre

part.pre

part.pre

part.pre

part.pre

part.pre

part.pre

part.pre

part.pre

part.pre

part.pre

part.pre

part.pre

part.pre

part.pre

part.pre

part.pre

part.pre

part.pre

part.pre

part.pre

part.pre

part.pre

part.pre

part.pre

part.pre

part.pre

part.pre

