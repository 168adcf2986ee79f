# Normal-mapped skinned characters: the skinning of the base effect, with the
# surface normal taken from a normal map in tangent space.
parameter float4x4 ViewProjection
parameter float4x4 WorldMatrixArray[26]
parameter float4 MaterialDiffuse
parameter float4 MaterialAmbient
parameter float4 MaterialSpecular
parameter float MaterialPower
parameter int CurNumBones
parameter float4 vecLightDir
parameter float4 vecEyePos
parameter float ScaleValue
parameter texture MeshTexture
parameter texture NormalMap
sampler MeshTexture linear wrap
sampler NormalMap linear wrap

technique SkinMeshBumpMap
  pass P0
    vertex
      out vec2 v_uv;
      out vec3 v_normal;
      out vec3 v_tangent;
      out vec3 v_position;
      out float v_depth;
      void main() {
          ivec4 bones = ivec4(a_BlendIndices.zyxw * 255.0 + 0.5);
          float weights[4] = float[4](a_BlendWeight.x, a_BlendWeight.y, a_BlendWeight.z, a_BlendWeight.w);
          vec3 position = vec3(0.0), normal = vec3(0.0), tangent = vec3(0.0);
          float last = 1.0;
          for (int i = 0; i < CurNumBones && i < 3; ++i) {
              mat4 bone = WorldMatrixArray[bones[i]];
              position += (bone * vec4(a_Position.xyz, 1.0)).xyz * weights[i];
              normal += mat3(bone) * a_Normal * weights[i];
              tangent += mat3(bone) * a_Tangent * weights[i];
              last -= weights[i];
          }
          mat4 bone = WorldMatrixArray[bones[min(CurNumBones, 3)]];
          position += (bone * vec4(a_Position.xyz, 1.0)).xyz * last;
          normal += mat3(bone) * a_Normal * last;
          tangent += mat3(bone) * a_Tangent * last;
          vec4 clip = ViewProjection * vec4(position, 1.0);
          v_uv = a_TexCoord;
          v_normal = normal;
          v_tangent = tangent;
          v_position = position;
          v_depth = clip.w;
          gl_Position = D3DClipToGL(clip);
      }
    end
    fragment
      in vec2 v_uv;
      in vec3 v_normal;
      in vec3 v_tangent;
      in vec3 v_position;
      in float v_depth;
      void main() {
          vec3 n = normalize(v_normal);
          vec3 t = length(v_tangent) > 0.0 ? normalize(v_tangent - n * dot(n, v_tangent)) : vec3(1.0, 0.0, 0.0);
          vec3 b = cross(n, t);
          vec3 bump = NormalMap_Present ? texture(NormalMap, v_uv).rgb * 2.0 - 1.0 : vec3(0.0, 0.0, 1.0);
          bump.xy *= ScaleValue;
          vec3 surface = normalize(mat3(t, b, n) * bump);
          vec3 toLight = length(vecLightDir.xyz) > 0.0 ? normalize(vecLightDir.xyz) : vec3(0.0, 1.0, 0.0);
          vec3 toEye = normalize(vecEyePos.xyz - v_position);
          float light = max(dot(surface, toLight), 0.0);
          float highlight = light > 0.0 ? pow(max(dot(surface, normalize(toLight + toEye)), 0.0), max(MaterialPower, 1.0)) : 0.0;
          vec4 texel = MeshTexture_Present ? texture(MeshTexture, v_uv) : vec4(1.0);
          vec3 colour = texel.rgb * (MaterialAmbient.rgb + 0.3 + MaterialDiffuse.rgb * 0.8 * light);
          colour += MaterialSpecular.rgb * highlight;
          FragColor = vec4(D3DApplyFog(min(colour, vec3(1.0)), v_depth), texel.a * MaterialDiffuse.a);
      }
    end
  end
end
